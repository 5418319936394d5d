// The file-backed registry of the POSIX build.
//
// Layout: <base>/<ROOT NAME>/<key>/<sub-key>/... with the values of each key in the file
// ".values" of its folder. A key name is kept as the folder name, with '/', '%', control bytes and
// a leading '.' written as %XX, so that no key can collide with the values file or the temporary
// files beside it. Lookups compare names without regard to ANSI case, as the system registry does;
// a new key keeps the case it was created with.
//
// The values file: the 8 bytes "AGGREG1\n", a 32-bit count, then per value the 32-bit length of
// its name, the name, the 32-bit type, the 32-bit length of its data and the data (all numbers
// little-endian). It is written to a temporary file and renamed over the old one, so a reader
// sees the old or the new set of values, never a torn one. Changes take a process-wide mutex and
// an flock on "<base>/.lock", which serialises read-modify-write cycles across processes.
#include "platform/registry.h"

#include "platform/codepage.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct RegistryAccess {
  static ScopedKey Make(uintptr_t handle, RegRoot root) noexcept { return ScopedKey(handle, root); }
};

namespace {

constexpr const char* kRootNames[kRegRootCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr char kValuesFile[] = ".values";
constexpr char kMagic[8] = {'A', 'G', 'G', 'R', 'E', 'G', '1', '\n'};
constexpr RegStatus kRegGenFailure = 31;  // ERROR_GEN_FAILURE: an unexpected file error
constexpr std::size_t kMaxKeyName = 255;  // longest key name the system registry accepts
constexpr std::size_t kMaxFileName = 255; // longest folder name of the file system

struct KeyObject {
  std::string dir;
  RegAccess access = RegAccess::Read;
  dev_t dev = 0;
  ino_t ino = 0;
};

KeyObject* AsKey(uintptr_t handle) noexcept {
  return reinterpret_cast<KeyObject*>(handle);
}

RegStatus Report(RegStatus* status, RegStatus value) noexcept {
  if (status)
    *status = value;
  return value;
}

RegStatus FromErrno(int error) noexcept {
  switch (error) {
  case ENOENT:
  case ENOTDIR:
    return kRegNotFound;
  case EACCES:
  case EPERM:
  case EROFS:
    return kRegAccessDenied;
  default:
    return kRegGenFailure;
  }
}

std::string BaseFolder() {
  if (const char* dir = std::getenv("AGG_REGISTRY_DIR"); dir && *dir)
    return dir;
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/.aggregation-registry";
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/aggregation-registry";
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates Path and every missing folder above it.
RegStatus MakeFolders(const std::string& path) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/')
      continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
      return FromErrno(errno);
  }
  return IsFolder(path) ? kRegOk : kRegNotFound;
}

RegStatus RootFolder(RegRoot root, std::string& folder) {
  const int index = static_cast<int>(root);
  if (index < 0 || index >= kRegRootCount)
    return kRegInvalidHandle;
  folder = BaseFolder() + "/" + kRootNames[index];
  if (IsFolder(folder))
    return kRegOk;
  return MakeFolders(folder);
}

// A root is writable while its folder keeps the owner's write permission. Checked on the mode
// bits themselves, so that the test holds for every user, the superuser included.
bool RootWritable(RegRoot root) {
  std::string folder;
  if (RootFolder(root, folder) != kRegOk)
    return false;
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

std::string Folded(std::string_view text) {
  std::string folded(text);
  AnsiLowerInPlace(folded.data(), folded.size());
  return folded;
}

std::string EncodeName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == '%' || c < 0x20 || (i == 0 && c == '.')) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

std::string DecodeName(std::string_view file) {
  std::string out;
  out.reserve(file.size());
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '%' && i + 2 < file.size() && HexDigit(file[i + 1]) >= 0 &&
        HexDigit(file[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(file[i + 1]) * 16 + HexDigit(file[i + 2]));
      i += 2;
    } else {
      out += file[i];
    }
  }
  return out;
}

// Reads a directory's entries that stand for keys (every name not starting with '.').
std::vector<std::string> KeyEntries(const std::string& dir) {
  std::vector<std::string> entries;
  DIR* d = ::opendir(dir.c_str());
  if (!d)
    return entries;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.')
      continue;
    const std::string path = dir + "/" + e->d_name;
    if (IsFolder(path))
      entries.emplace_back(e->d_name);
  }
  ::closedir(d);
  return entries;
}

// The folder name under Dir of the key Name, found regardless of case.
std::optional<std::string> FindKeyEntry(const std::string& dir, std::string_view name) {
  const std::string exact = EncodeName(name);
  if (IsFolder(dir + "/" + exact))
    return exact;
  const std::string wanted = Folded(name);
  for (const std::string& entry : KeyEntries(dir))
    if (Folded(DecodeName(entry)) == wanted)
      return entry;
  return std::nullopt;
}

std::vector<std::string_view> SplitPath(std::string_view trimmed) {
  std::vector<std::string_view> names;
  while (!trimmed.empty()) {
    const std::size_t cut = trimmed.find('\\');
    names.push_back(trimmed.substr(0, cut));
    if (cut == std::string_view::npos)
      break;
    trimmed.remove_prefix(cut + 1);
  }
  return names;
}

// Serialises changes of the tree within the process and, through flock, between processes.
class TreeLock {
public:
  TreeLock() : guard_(Mutex()) {
    const std::string base = BaseFolder();
    if (MakeFolders(base) != kRegOk)
      return;
    fd_ = ::open((base + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~TreeLock() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }
  TreeLock(const TreeLock&) = delete;
  TreeLock& operator=(const TreeLock&) = delete;

private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  std::lock_guard<std::mutex> guard_;
  int fd_ = -1;
};

// Walks the names of Path from Dir, creating missing keys when Create is set.
RegStatus Resolve(std::string dir, std::string_view path, bool create, std::string& result) {
  const std::string_view trimmed = detail::TrimKeyPath(path);
  if (detail::HasEmptyKeyName(trimmed))
    return kRegBadPath;
  for (std::string_view name : SplitPath(trimmed)) {
    if (name.size() > kMaxKeyName)
      return kRegBadPath;
    if (auto entry = FindKeyEntry(dir, name)) {
      dir += "/" + *entry;
      continue;
    }
    if (!create)
      return kRegNotFound;
    const std::string encoded = EncodeName(name);
    if (encoded.size() > kMaxFileName)
      return kRegBadPath;
    const std::string next = dir + "/" + encoded;
    if (::mkdir(next.c_str(), 0777) != 0 && errno != EEXIST)
      return FromErrno(errno);
    dir = next;
  }
  result = std::move(dir);
  return kRegOk;
}

ScopedKey MakeKey(const std::string& dir, RegRoot root, RegAccess access, RegStatus* status) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) {
    Report(status, FromErrno(errno));
    return {};
  }
  auto* key = new KeyObject{dir, access, st.st_dev, st.st_ino};
  Report(status, kRegOk);
  return RegistryAccess::Make(reinterpret_cast<uintptr_t>(key), root);
}

struct StoredValue {
  std::string name;
  uint32_t type = regNone;
  std::vector<uint8_t> data;
};

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool GetU32(const std::string& in, std::size_t& pos, uint32_t& v) {
  if (in.size() - pos < 4)
    return false;
  v = 0;
  for (int i = 0; i < 4; ++i)
    v |= uint32_t(static_cast<unsigned char>(in[pos + i])) << (8 * i);
  pos += 4;
  return true;
}

RegStatus ReadAll(const std::string& file, std::string& content) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return FromErrno(errno);
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return FromErrno(error);
    }
    if (n == 0)
      break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return kRegOk;
}

RegStatus LoadValues(const std::string& dir, std::vector<StoredValue>& values) {
  values.clear();
  std::string content;
  const RegStatus rc = ReadAll(dir + "/" + kValuesFile, content);
  if (rc == kRegNotFound)
    return kRegOk;
  if (rc != kRegOk)
    return rc;
  if (content.size() < sizeof kMagic || std::memcmp(content.data(), kMagic, sizeof kMagic) != 0)
    return kRegInvalidData;
  std::size_t pos = sizeof kMagic;
  uint32_t count = 0;
  if (!GetU32(content, pos, count))
    return kRegInvalidData;
  for (uint32_t i = 0; i < count; ++i) {
    StoredValue v;
    uint32_t nameLength = 0, dataLength = 0;
    if (!GetU32(content, pos, nameLength) || content.size() - pos < nameLength)
      return kRegInvalidData;
    v.name.assign(content, pos, nameLength);
    pos += nameLength;
    if (!GetU32(content, pos, v.type) || !GetU32(content, pos, dataLength) ||
        content.size() - pos < dataLength)
      return kRegInvalidData;
    v.data.assign(content.begin() + static_cast<std::ptrdiff_t>(pos),
                  content.begin() + static_cast<std::ptrdiff_t>(pos + dataLength));
    pos += dataLength;
    values.push_back(std::move(v));
  }
  return kRegOk;
}

RegStatus WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return FromErrno(errno);
    done += static_cast<std::size_t>(n);
  }
  return kRegOk;
}

RegStatus SaveValues(const std::string& dir, const std::vector<StoredValue>& values) {
  const std::string target = dir + "/" + kValuesFile;
  if (values.empty()) {
    if (::unlink(target.c_str()) != 0 && errno != ENOENT)
      return FromErrno(errno);
    return kRegOk;
  }
  std::string content(kMagic, sizeof kMagic);
  PutU32(content, static_cast<uint32_t>(values.size()));
  for (const StoredValue& v : values) {
    PutU32(content, static_cast<uint32_t>(v.name.size()));
    content += v.name;
    PutU32(content, v.type);
    PutU32(content, static_cast<uint32_t>(v.data.size()));
    content.append(v.data.begin(), v.data.end());
  }
  static std::atomic<unsigned> counter{0};
  const std::string temp = target + "." + std::to_string(::getpid()) + "." +
                           std::to_string(counter.fetch_add(1)) + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0)
    return FromErrno(errno);
  RegStatus rc = WriteAll(fd, content);
  if (::close(fd) != 0 && rc == kRegOk)
    rc = FromErrno(errno);
  if (rc == kRegOk && ::rename(temp.c_str(), target.c_str()) != 0)
    rc = FromErrno(errno);
  if (rc != kRegOk)
    ::unlink(temp.c_str());
  return rc;
}

// The key's folder must still be the one it was opened on; a deleted key answers so.
RegStatus CheckAlive(const KeyObject& key) {
  struct stat st {};
  if (::stat(key.dir.c_str(), &st) != 0 || st.st_dev != key.dev || st.st_ino != key.ino)
    return kRegKeyDeleted;
  return kRegOk;
}

std::string ValueName(std::string_view name) {
  // The system takes value names as zero-terminated texts.
  return std::string(name.substr(0, name.find('\0')));
}

std::vector<StoredValue>::iterator FindValue(std::vector<StoredValue>& values,
                                             std::string_view name) {
  const std::string wanted = Folded(name);
  for (auto it = values.begin(); it != values.end(); ++it)
    if (Folded(it->name) == wanted)
      return it;
  return values.end();
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return ::remove(path) == 0 ? 0 : -1;
}

ScopedKey Open(const std::string& start, RegRoot root, std::string_view path, RegAccess access,
               RegStatus* status) {
  if (RegistryFaults::Fails(root,
                            access == RegAccess::Read ? regFaultOpenRead : regFaultOpenWrite)) {
    Report(status, kRegAccessDenied);
    return {};
  }
  if (access == RegAccess::ReadWrite && !RootWritable(root)) {
    Report(status, kRegAccessDenied);
    return {};
  }
  std::string dir;
  if (Report(status, Resolve(start, path, false, dir)) != kRegOk)
    return {};
  return MakeKey(dir, root, access, status);
}

ScopedKey Create(const std::string& start, RegRoot root, std::string_view path, bool parentWritable,
                 RegStatus* status) {
  if (RegistryFaults::Fails(root, regFaultCreate) || !RootWritable(root)) {
    Report(status, kRegAccessDenied);
    return {};
  }
  std::string dir;
  RegStatus rc = Resolve(start, path, false, dir);
  if (rc == kRegNotFound) {
    // Making keys below a handle opened for reading is refused, as without create rights.
    if (!parentWritable) {
      Report(status, kRegAccessDenied);
      return {};
    }
    TreeLock lock;
    rc = Resolve(start, path, true, dir);
  }
  if (Report(status, rc) != kRegOk)
    return {};
  return MakeKey(dir, root, RegAccess::ReadWrite, status);
}

// Changes the values of a live key under the tree lock: loads them, lets change edit them, and
// stores them in one step unless change answers an error.
template <typename Change> RegStatus ChangeValues(const KeyObject& key, Change&& change) {
  TreeLock lock;
  if (RegStatus rc = CheckAlive(key); rc != kRegOk)
    return rc;
  std::vector<StoredValue> values;
  if (RegStatus rc = LoadValues(key.dir, values); rc != kRegOk)
    return rc;
  if (RegStatus rc = change(values); rc != kRegOk)
    return rc;
  return SaveValues(key.dir, values);
}

} // namespace

void ScopedKey::Close() noexcept {
  delete AsKey(handle_);
  handle_ = 0;
}

RegStatus ScopedKey::Query(std::string_view name, RegValue& value) const {
  if (!handle_)
    return kRegInvalidHandle;
  if (RegistryFaults::Fails(root_, regFaultQuery))
    return kRegAccessDenied;
  const KeyObject& key = *AsKey(handle_);
  if (RegStatus rc = CheckAlive(key); rc != kRegOk)
    return rc;
  std::vector<StoredValue> values;
  if (RegStatus rc = LoadValues(key.dir, values); rc != kRegOk)
    return rc;
  auto it = FindValue(values, ValueName(name));
  if (it == values.end())
    return kRegNotFound;
  value.Type = it->type;
  value.Data = std::move(it->data);
  return kRegOk;
}

RegStatus ScopedKey::Set(std::string_view name, uint32_t type, const void* bytes,
                         std::size_t size) {
  if (!handle_)
    return kRegInvalidHandle;
  const KeyObject& key = *AsKey(handle_);
  if (RegistryFaults::Fails(root_, regFaultSet) || key.access != RegAccess::ReadWrite)
    return kRegAccessDenied;
  if (size > UINT32_MAX)
    return kRegInvalidData;
  return ChangeValues(key, [&](std::vector<StoredValue>& values) {
    const std::string valueName = ValueName(name);
    auto it = FindValue(values, valueName);
    if (it == values.end()) {
      values.push_back(StoredValue{valueName, regNone, {}});
      it = values.end() - 1;
    }
    it->type = type;
    const auto* first = static_cast<const uint8_t*>(bytes);
    it->data.assign(first, first + (bytes ? size : 0));
    return kRegOk;
  });
}

RegStatus ScopedKey::DeleteValue(std::string_view name) {
  if (!handle_)
    return kRegInvalidHandle;
  const KeyObject& key = *AsKey(handle_);
  if (RegistryFaults::Fails(root_, regFaultDelete) || key.access != RegAccess::ReadWrite)
    return kRegAccessDenied;
  return ChangeValues(key, [&](std::vector<StoredValue>& values) {
    auto it = FindValue(values, ValueName(name));
    if (it == values.end())
      return kRegNotFound;
    values.erase(it);
    return kRegOk;
  });
}

std::vector<std::string> ScopedKey::ValueNames() const {
  std::vector<std::string> names;
  if (!handle_ || RegistryFaults::Fails(root_, regFaultQuery))
    return names;
  const KeyObject& key = *AsKey(handle_);
  std::vector<StoredValue> values;
  if (CheckAlive(key) != kRegOk || LoadValues(key.dir, values) != kRegOk)
    return names;
  for (StoredValue& v : values)
    names.push_back(std::move(v.name));
  return names;
}

std::vector<std::string> ScopedKey::SubKeyNames() const {
  std::vector<std::string> names;
  if (!handle_ || RegistryFaults::Fails(root_, regFaultQuery))
    return names;
  const KeyObject& key = *AsKey(handle_);
  if (CheckAlive(key) != kRegOk)
    return names;
  for (const std::string& entry : KeyEntries(key.dir))
    names.push_back(DecodeName(entry));
  return names;
}

ScopedKey ScopedKey::OpenSubKey(std::string_view path, RegAccess access, RegStatus* status) const {
  if (!handle_) {
    Report(status, kRegInvalidHandle);
    return {};
  }
  const KeyObject& key = *AsKey(handle_);
  if (RegStatus rc = CheckAlive(key); rc != kRegOk) {
    Report(status, rc);
    return {};
  }
  return Open(key.dir, root_, path, access, status);
}

ScopedKey ScopedKey::CreateSubKey(std::string_view path, RegStatus* status) const {
  if (!handle_) {
    Report(status, kRegInvalidHandle);
    return {};
  }
  const KeyObject& key = *AsKey(handle_);
  if (RegStatus rc = CheckAlive(key); rc != kRegOk) {
    Report(status, rc);
    return {};
  }
  return Create(key.dir, root_, path, key.access == RegAccess::ReadWrite, status);
}

ScopedKey OpenKey(RegRoot root, std::string_view path, RegAccess access, RegStatus* status) {
  std::string folder;
  if (Report(status, RootFolder(root, folder)) != kRegOk)
    return {};
  return Open(folder, root, path, access, status);
}

ScopedKey CreateKey(RegRoot root, std::string_view path, RegStatus* status) {
  std::string folder;
  if (Report(status, RootFolder(root, folder)) != kRegOk)
    return {};
  return Create(folder, root, path, true, status);
}

RegStatus DeleteKey(RegRoot root, std::string_view path) {
  if (RegistryFaults::Fails(root, regFaultDelete) || !RootWritable(root))
    return kRegAccessDenied;
  const std::string_view trimmed = detail::TrimKeyPath(path);
  if (trimmed.empty())
    return kRegBadPath;
  std::string folder;
  if (RegStatus rc = RootFolder(root, folder); rc != kRegOk)
    return rc;
  TreeLock lock;
  std::string dir;
  if (RegStatus rc = Resolve(folder, trimmed, false, dir); rc != kRegOk)
    return rc;
  if (::nftw(dir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) != 0)
    return FromErrno(errno);
  return kRegOk;
}

std::string RegistryRootFolder(RegRoot root) {
  std::string folder;
  if (RootFolder(root, folder) != kRegOk)
    return {};
  return folder;
}

} // namespace platform
