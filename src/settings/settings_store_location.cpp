// Where the settings store keeps an item: INI section names, the name of an INI file's lock, and
// the helpers its storages share.
#include "settings/settings_store_storage.h"

#include <sys/stat.h>

namespace wreg {

std::string IniSectionName(std::string prefix, std::string subPath) {
  // A prefix ending in a separator is bare: plain keys then live in the prefix's own section
  // instead of its "Common" section.
  const bool bare = !prefix.empty() && (prefix.back() == '/' || prefix.back() == '\\');
  if (bare)
    prefix.pop_back();
  if (subPath.empty() && !bare)
    subPath = "Common";
  std::string section;
  if (!prefix.empty() && !subPath.empty())
    section = prefix + "." + subPath;
  else if (subPath.empty())
    section = prefix;
  else
    section = subPath;
  for (char& c : section)
    if (c == '\\')
      c = '.';
  return section;
}

std::string IniLockName(const std::string& fileName) {
  std::string name = fileName;
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
      c = '_';
  }
  return name;
}

bool StoredFileExists(const std::string& fileName) {
  struct stat info {};
  return !fileName.empty() && ::stat(fileName.c_str(), &info) == 0 && !(info.st_mode & S_IFDIR);
}

bool IsStoredKind(TTypeKind kind) noexcept {
  switch (kind) {
  case tkInteger:
  case tkInt64:
  case tkFloat:
  case tkChar:
  case tkEnumeration:
  case tkString:
  case tkClass:
  case tkWChar:
  case tkLString:
  case tkWString:
  case tkVariant:
    return true;
  default:
    return false;
  }
}

bool IsTextValue(const rtl::Variant& value) noexcept {
  return value.Type() == platform::vtBstr || value.Type() == platform::vtAnsiString;
}

rtl::Variant TextValue(const std::string& text) {
  return rtl::Variant::Ansi(rtl::AnsiString(text));
}

} // namespace wreg
