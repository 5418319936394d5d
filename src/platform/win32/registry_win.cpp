// The registry through advapi32. Paths are trimmed of their outer backslashes before the system
// sees them; the test seam of RegistryFaults is checked before every call.
#include "platform/registry.h"
#include "platform/win32/windows_include.h"

#include <limits>

namespace platform {

struct RegistryAccess {
  static ScopedKey Make(HKEY key, RegRoot root) noexcept {
    return ScopedKey(reinterpret_cast<uintptr_t>(key), root);
  }
};

namespace {

HKEY RootHandle(RegRoot root) noexcept {
  switch (root) {
  case RegRoot::ClassesRoot:
    return HKEY_CLASSES_ROOT;
  case RegRoot::CurrentUser:
    return HKEY_CURRENT_USER;
  case RegRoot::LocalMachine:
    return HKEY_LOCAL_MACHINE;
  case RegRoot::Users:
    return HKEY_USERS;
  case RegRoot::PerformanceData:
    return HKEY_PERFORMANCE_DATA;
  case RegRoot::CurrentConfig:
    return HKEY_CURRENT_CONFIG;
  case RegRoot::DynData:
    return HKEY_DYN_DATA;
  }
  return nullptr;
}

HKEY AsHkey(uintptr_t handle) noexcept {
  return reinterpret_cast<HKEY>(handle);
}

RegStatus Report(RegStatus* status, RegStatus value) noexcept {
  if (status)
    *status = value;
  return value;
}

// The checks an open and a create share: a handle to start from, no injected fault for the
// operation, and a path without empty key names. Name receives the trimmed path.
bool CheckKeyPath(HKEY parent, RegRoot root, unsigned fault, std::string_view path,
                  std::string& name, RegStatus* status) {
  if (!parent) {
    Report(status, kRegInvalidHandle);
    return false;
  }
  if (RegistryFaults::Fails(root, fault)) {
    Report(status, kRegAccessDenied);
    return false;
  }
  const std::string_view trimmed = detail::TrimKeyPath(path);
  if (detail::HasEmptyKeyName(trimmed)) {
    Report(status, kRegBadPath);
    return false;
  }
  name.assign(trimmed);
  return true;
}

ScopedKey Open(HKEY parent, RegRoot root, std::string_view path, RegAccess access,
               RegStatus* status) {
  std::string name;
  if (!CheckKeyPath(parent, root, access == RegAccess::Read ? regFaultOpenRead : regFaultOpenWrite,
                    path, name, status))
    return {};
  HKEY key = nullptr;
  const REGSAM sam = access == RegAccess::Read ? KEY_READ : KEY_ALL_ACCESS;
  const LONG rc = ::RegOpenKeyExA(parent, name.c_str(), 0, sam, &key);
  if (Report(status, rc) != ERROR_SUCCESS || !key)
    return {};
  return RegistryAccess::Make(key, root);
}

ScopedKey Create(HKEY parent, RegRoot root, std::string_view path, RegStatus* status) {
  std::string name;
  if (!CheckKeyPath(parent, root, regFaultCreate, path, name, status))
    return {};
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG rc = ::RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &key, &disposition);
  if (Report(status, rc) != ERROR_SUCCESS || !key)
    return {};
  return RegistryAccess::Make(key, root);
}

} // namespace

void ScopedKey::Close() noexcept {
  if (handle_) {
    ::RegCloseKey(AsHkey(handle_));
    handle_ = 0;
  }
}

RegStatus ScopedKey::Query(std::string_view name, RegValue& value) const {
  if (!handle_)
    return kRegInvalidHandle;
  if (RegistryFaults::Fails(root_, regFaultQuery))
    return kRegAccessDenied;
  const std::string valueName(name);
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = ::RegQueryValueExA(AsHkey(handle_), valueName.c_str(), nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS)
    return rc;
  // The value may grow between the two calls; ask again until the buffer holds it.
  std::vector<uint8_t> data;
  for (;;) {
    data.resize(size);
    DWORD got = size;
    rc = ::RegQueryValueExA(AsHkey(handle_), valueName.c_str(), nullptr, &type,
                            data.empty() ? nullptr : data.data(), &got);
    if (rc == ERROR_MORE_DATA) {
      size = got > size ? got : size * 2 + 16;
      continue;
    }
    if (rc != ERROR_SUCCESS)
      return rc;
    data.resize(got);
    break;
  }
  value.Type = type;
  value.Data = std::move(data);
  return kRegOk;
}

RegStatus ScopedKey::Set(std::string_view name, uint32_t type, const void* bytes,
                         std::size_t size) {
  if (!handle_)
    return kRegInvalidHandle;
  if (RegistryFaults::Fails(root_, regFaultSet))
    return kRegAccessDenied;
  if (size > std::numeric_limits<DWORD>::max())
    return ERROR_INVALID_PARAMETER;
  const std::string valueName(name);
  return ::RegSetValueExA(AsHkey(handle_), valueName.c_str(), 0, type,
                          static_cast<const BYTE*>(bytes), static_cast<DWORD>(size));
}

RegStatus ScopedKey::DeleteValue(std::string_view name) {
  if (!handle_)
    return kRegInvalidHandle;
  if (RegistryFaults::Fails(root_, regFaultDelete))
    return kRegAccessDenied;
  const std::string valueName(name);
  return ::RegDeleteValueA(AsHkey(handle_), valueName.c_str());
}

std::vector<std::string> ScopedKey::ValueNames() const {
  std::vector<std::string> names;
  if (!handle_ || RegistryFaults::Fails(root_, regFaultQuery))
    return names;
  // A value name has at most 16383 characters.
  std::vector<char> buffer(16384);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LONG rc = ::RegEnumValueA(AsHkey(handle_), index, buffer.data(), &length, nullptr,
                                    nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
      break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

std::vector<std::string> ScopedKey::SubKeyNames() const {
  std::vector<std::string> names;
  if (!handle_ || RegistryFaults::Fails(root_, regFaultQuery))
    return names;
  // A key name has at most 255 characters.
  char buffer[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof buffer;
    const LONG rc = ::RegEnumKeyExA(AsHkey(handle_), index, buffer, &length, nullptr, nullptr,
                                    nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
      break;
    names.emplace_back(buffer, length);
  }
  return names;
}

ScopedKey ScopedKey::OpenSubKey(std::string_view path, RegAccess access, RegStatus* status) const {
  return Open(AsHkey(handle_), root_, path, access, status);
}

ScopedKey ScopedKey::CreateSubKey(std::string_view path, RegStatus* status) const {
  return Create(AsHkey(handle_), root_, path, status);
}

ScopedKey OpenKey(RegRoot root, std::string_view path, RegAccess access, RegStatus* status) {
  return Open(RootHandle(root), root, path, access, status);
}

ScopedKey CreateKey(RegRoot root, std::string_view path, RegStatus* status) {
  return Create(RootHandle(root), root, path, status);
}

RegStatus DeleteKey(RegRoot root, std::string_view path) {
  if (RegistryFaults::Fails(root, regFaultDelete))
    return kRegAccessDenied;
  const std::string_view trimmed = detail::TrimKeyPath(path);
  if (trimmed.empty() || detail::HasEmptyKeyName(trimmed))
    return kRegBadPath;
  const std::string name(trimmed);
  const LONG rc = ::RegDeleteTreeA(RootHandle(root), name.c_str());
  if (rc != ERROR_SUCCESS)
    return rc;
  // The tree call empties the key; remove the key itself where it is left behind.
  const LONG last = ::RegDeleteKeyA(RootHandle(root), name.c_str());
  return last == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : last;
}

std::string RegistryRootFolder(RegRoot) {
  return {};
}

} // namespace platform
