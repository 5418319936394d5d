#include "platform/posix/registry_tree_posix.h"

#include "platform/codepage.h"
#include "platform/scoped_handle.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry_posix {
namespace {

constexpr const char* kRootNames[kRegRootCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr std::size_t kMaxKeyName = 255;  // longest key name the system registry accepts
constexpr std::size_t kMaxFileName = 255; // longest folder name of the file system

struct DirectoryTraits {
  using Handle = DIR*;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { ::closedir(h); }
};

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
  const ScopedHandle<DirectoryTraits> d(::opendir(dir.c_str()));
  if (!d)
    return entries;
  while (const dirent* e = ::readdir(d.Get())) {
    if (e->d_name[0] == '.')
      continue;
    const std::string path = dir + "/" + e->d_name;
    if (IsFolder(path))
      entries.emplace_back(e->d_name);
  }
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

} // namespace

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

std::vector<std::string> SubKeyNamesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const std::string& entry : KeyEntries(dir))
    names.push_back(DecodeName(entry));
  return names;
}

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

TreeLock::TreeLock() : guard_(Mutex()) {
  const std::string base = BaseFolder();
  if (MakeFolders(base) != kRegOk)
    return;
  fd_ = ::open((base + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ >= 0)
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

TreeLock::~TreeLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

std::mutex& TreeLock::Mutex() {
  static std::mutex m;
  return m;
}

} // namespace platform::registry_posix
