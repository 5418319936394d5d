// The system registry: keys below a few predefined roots, each key holding named values of a type
// and some bytes. On Windows this is the real registry (advapi32). On POSIX it is a file-backed
// stand-in with the same observable behaviour: one folder per root, keys as sub-folders whose
// names compare without regard to case, and the values of a key in one small file that is
// replaced in one step on every change.
//
// Key paths use backslashes between their names; a leading and a trailing backslash are ignored,
// so "\Software\Company" and "Software\Company\" name the same key. An empty path names the root
// (or, below an open key, that key again).
//
// POSIX storage: the folder named by the environment variable AGG_REGISTRY_DIR, otherwise
// "$HOME/.aggregation-registry", otherwise "aggregation-registry" in the temporary folder. The
// variable is read on every call, so a test can point the registry at a folder of its own. A root
// whose folder lacks the owner's write permission (mode 0555) is unwritable: keys under it open for
// reading only, as under a root the user may not change.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// The predefined roots.
enum class RegRoot : int {
  ClassesRoot,
  CurrentUser,
  LocalMachine,
  Users,
  PerformanceData,
  CurrentConfig,
  DynData,
};
constexpr int kRegRootCount = 7;

/// Value types, with the system's numbers.
enum RegType : uint32_t {
  regNone = 0,
  regSz = 1,
  regExpandSz = 2,
  regBinary = 3,
  regDword = 4,
  regDwordBigEndian = 5,
  regLink = 6,
  regMultiSz = 7,
  regQword = 11,
};

/// Result codes of the registry calls: the system's error numbers.
using RegStatus = int32_t;
constexpr RegStatus kRegOk = 0;
constexpr RegStatus kRegNotFound = 2;      // ERROR_FILE_NOT_FOUND: no such key or value
constexpr RegStatus kRegAccessDenied = 5;  // ERROR_ACCESS_DENIED
constexpr RegStatus kRegInvalidHandle = 6; // ERROR_INVALID_HANDLE: the key is not open
constexpr RegStatus kRegInvalidData = 13;  // ERROR_INVALID_DATA: stored value unreadable
constexpr RegStatus kRegBadPath = 161;     // ERROR_BAD_PATHNAME: an empty name inside a path
constexpr RegStatus kRegKeyDeleted = 1018; // ERROR_KEY_DELETED: the open key was deleted

/// One stored value: its type and its bytes exactly as stored (a REG_SZ value written by
/// SetString includes its terminating zero).
struct RegValue {
  uint32_t Type = regNone;
  std::vector<uint8_t> Data;

  /// The text of a REG_SZ or REG_EXPAND_SZ value up to its first zero byte; nothing for other
  /// types.
  std::optional<std::string> AsString() const {
    if (Type != regSz && Type != regExpandSz)
      return std::nullopt;
    std::string text(Data.begin(), Data.end());
    if (auto zero = text.find('\0'); zero != std::string::npos)
      text.resize(zero);
    return text;
  }
  /// The number of a REG_DWORD value (4 bytes, little-endian); nothing otherwise.
  std::optional<uint32_t> AsDword() const {
    if (Type != regDword || Data.size() != 4)
      return std::nullopt;
    return uint32_t(Data[0]) | uint32_t(Data[1]) << 8 | uint32_t(Data[2]) << 16 |
           uint32_t(Data[3]) << 24;
  }
};

/// Access asked for when a key is opened. ReadWrite is the full access the settings store wants.
enum class RegAccess { Read, ReadWrite };

/// An open registry key; closes it when it goes out of scope. Move-only. An unopened key answers
/// kRegInvalidHandle to every call.
class ScopedKey {
public:
  ScopedKey() noexcept = default;
  ScopedKey(ScopedKey&& other) noexcept : handle_(other.handle_), root_(other.root_) {
    other.handle_ = 0;
  }
  ScopedKey& operator=(ScopedKey&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      root_ = other.root_;
      other.handle_ = 0;
    }
    return *this;
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() { Close(); }

  bool IsOpen() const noexcept { return handle_ != 0; }
  explicit operator bool() const noexcept { return IsOpen(); }
  void Close() noexcept;

  /// Reads the value Name ("" is the key's default value) into Value.
  RegStatus Query(std::string_view name, RegValue& value) const;
  /// The value Name, or nothing when it is missing or cannot be read.
  std::optional<RegValue> Query(std::string_view name) const {
    RegValue value;
    if (Query(name, value) != kRegOk)
      return std::nullopt;
    return value;
  }
  /// Writes the value Name with Type and Bytes, replacing any value of that name.
  RegStatus Set(std::string_view name, uint32_t type, const void* bytes, std::size_t size);
  /// REG_SZ with Text and a terminating zero.
  RegStatus SetString(std::string_view name, std::string_view text) {
    std::string bytes(text);
    return Set(name, regSz, bytes.c_str(), bytes.size() + 1);
  }
  /// REG_DWORD, 4 bytes little-endian.
  RegStatus SetDword(std::string_view name, uint32_t value) {
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                              uint8_t(value >> 24)};
    return Set(name, regDword, bytes, sizeof bytes);
  }
  /// REG_BINARY with the given bytes.
  RegStatus SetBinary(std::string_view name, const void* bytes, std::size_t size) {
    return Set(name, regBinary, bytes, size);
  }
  /// Removes the value Name; kRegNotFound when there is none.
  RegStatus DeleteValue(std::string_view name);

  /// Names of the key's values, in no particular order.
  std::vector<std::string> ValueNames() const;
  /// Names of the key's direct sub-keys, in no particular order.
  std::vector<std::string> SubKeyNames() const;

  /// Opens Path below this key; see OpenKey.
  ScopedKey OpenSubKey(std::string_view path, RegAccess access, RegStatus* status = nullptr) const;
  /// Opens Path below this key for reading and writing, creating the keys that are missing.
  ScopedKey CreateSubKey(std::string_view path, RegStatus* status = nullptr) const;

  /// The system handle (an HKEY on Windows; an internal object on POSIX).
  uintptr_t Handle() const noexcept { return handle_; }
  /// The root the key lies under.
  RegRoot Root() const noexcept { return root_; }

private:
  friend struct RegistryAccess;
  ScopedKey(uintptr_t handle, RegRoot root) noexcept : handle_(handle), root_(root) {}
  uintptr_t handle_ = 0;
  RegRoot root_ = RegRoot::CurrentUser;
};

/// Opens the existing key Path below Root. The result is unopened when the key does not exist
/// or the access is refused; Status, when given, receives the reason.
ScopedKey OpenKey(RegRoot root, std::string_view path, RegAccess access,
                  RegStatus* status = nullptr);
/// Opens the key Path below Root for reading and writing, creating every missing key on the way.
ScopedKey CreateKey(RegRoot root, std::string_view path, RegStatus* status = nullptr);
/// Deletes the key Path below Root with all its sub-keys and values. Path must not be empty.
RegStatus DeleteKey(RegRoot root, std::string_view path);

/// Operations a test can make fail (bit set of RegistryFaults).
enum RegFaultOp : unsigned {
  regFaultOpenRead = 1u << 0,  // opening a key for reading
  regFaultOpenWrite = 1u << 1, // opening a key for reading and writing
  regFaultCreate = 1u << 2,    // creating (or opening with CreateKey) a key
  regFaultSet = 1u << 3,       // writing a value
  regFaultDelete = 1u << 4,    // deleting a value or a key
  regFaultQuery = 1u << 5,     // reading a value
  // Everything a user without write permission for the root cannot do.
  regFaultWrites = regFaultOpenWrite | regFaultCreate | regFaultSet | regFaultDelete,
};

/// Test seam: makes registry calls under a root fail with kRegAccessDenied, as the system does
/// when it refuses them. The switches are checked on every call, so keys opened earlier are
/// affected as well. Works the same on both platforms.
class RegistryFaults {
public:
  /// Calls of the kinds in Ops (RegFaultOp bits) under Root fail from now on; 0 ends that.
  static void Set(RegRoot root, unsigned ops) noexcept {
    Slot(root).store(ops, std::memory_order_relaxed);
  }
  static unsigned Get(RegRoot root) noexcept { return Slot(root).load(std::memory_order_relaxed); }
  static bool Fails(RegRoot root, unsigned op) noexcept { return (Get(root) & op) != 0; }
  /// Ends every injected failure.
  static void Clear() noexcept {
    for (auto& s : slots_)
      s.store(0, std::memory_order_relaxed);
  }

private:
  static std::atomic<unsigned>& Slot(RegRoot root) noexcept {
    return slots_[static_cast<unsigned>(root) % kRegRootCount];
  }
  static inline std::atomic<unsigned> slots_[kRegRootCount] = {};
};

/// Sets registry failures for one root for the lifetime of the object, then restores the
/// previous switches of that root.
class ScopedRegistryFault {
public:
  ScopedRegistryFault(RegRoot root, unsigned ops) noexcept
      : root_(root), previous_(RegistryFaults::Get(root)) {
    RegistryFaults::Set(root, ops);
  }
  ~ScopedRegistryFault() { RegistryFaults::Set(root_, previous_); }
  ScopedRegistryFault(const ScopedRegistryFault&) = delete;
  ScopedRegistryFault& operator=(const ScopedRegistryFault&) = delete;

private:
  RegRoot root_;
  unsigned previous_;
};

namespace detail {
/// Path without its leading and trailing backslashes.
inline std::string_view TrimKeyPath(std::string_view path) noexcept {
  while (!path.empty() && path.front() == '\\')
    path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\')
    path.remove_suffix(1);
  return path;
}
/// True when a trimmed path has an empty name inside it ("a\\b").
inline bool HasEmptyKeyName(std::string_view trimmed) noexcept {
  return trimmed.find("\\\\") != std::string_view::npos;
}
} // namespace detail

/// The folder that holds Root in the POSIX stand-in (created on first use); empty on Windows,
/// where the system registry is used.
std::string RegistryRootFolder(RegRoot root);

} // namespace platform
