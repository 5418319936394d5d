// The registry of the POSIX build: keys as folders of a file-backed tree (registry_tree_posix.h)
// and the values of each key in one file of its folder (registry_values_file_posix.h). A key
// handle is the key's folder with the access it was opened for; it notices when its key is
// deleted, as the system's does. Changes of values are read-modify-write cycles under the tree
// lock. Lookups compare names without regard to ANSI case, as the system registry does.
#include "platform/registry.h"

#include "platform/posix/registry_tree_posix.h"
#include "platform/posix/registry_values_file_posix.h"

#include <cerrno>
#include <ftw.h>
#include <sys/stat.h>

namespace platform {

struct RegistryAccess {
  static ScopedKey Make(uintptr_t handle, RegRoot root) noexcept { return ScopedKey(handle, root); }
};

using namespace registry_posix;

namespace {

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
  return SubKeyNamesIn(key.dir);
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
