#include "support/system_info.h"

#include "platform/environment.h"
#include "platform/module_info.h"
#include "platform/registry.h"
#include "rtl/file_names.h"
#include "rtl/trim.h"

#include <atomic>

namespace {

// Where the shell keeps the folders it knows, for systems whose shell cannot be asked.
constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::atomic<support::ShellFolderQuery> g_shellQuery{nullptr};

bool IsPathDelimiter(char c) {
  return c == '\\' || c == '/';
}

std::string WithTrailingDelimiter(std::string path) {
  if (!path.empty() && !IsPathDelimiter(path.back()))
    path += platform::PathDelimiter();
  return path;
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The folder recorded in the "Shell Folders" key for the two application-data folders.
std::string RegistryShellFolder(int csidl) {
  platform::RegRoot root;
  const char* valueName;
  if (csidl == platform::kCsidlAppData) {
    root = platform::RegRoot::CurrentUser;
    valueName = "AppData";
  } else if (csidl == platform::kCsidlCommonAppData) {
    root = platform::RegRoot::LocalMachine;
    valueName = "Common AppData";
  } else {
    return {};
  }
  platform::ScopedKey key = platform::OpenKey(root, kShellFoldersKey, platform::RegAccess::Read);
  if (!key)
    return {};
  auto value = key.Query(valueName);
  if (!value)
    return {};
  return value->AsString().value_or(std::string());
}

// Characters not allowed in a file name; the extended set also avoids those that shells and
// INI files treat specially.
bool IsInvalidFileNameChar(char c, bool strict) {
  switch (c) {
  case '"':
  case '*':
  case '/':
  case ':':
  case '<':
  case '>':
  case '?':
  case '\\':
  case '|':
    return true;
  case '\'':
  case '+':
  case ';':
  case '=':
  case '[':
  case ']':
    return !strict;
  default:
    return false;
  }
}

const platform::VariantRec* Dereferenced(const platform::VariantRec& v) noexcept {
  // A reference to a variant points to the variant that holds the value; follow a few levels.
  const platform::VariantRec* p = &v;
  for (int depth = 0; depth < 8 && p->vt == (platform::vtByRef | platform::vtVariant); ++depth) {
    if (!p->ptr)
      return nullptr;
    p = static_cast<const platform::VariantRec*>(p->ptr);
  }
  return p;
}

} // namespace

TzetVersionInfo::TzetVersionInfo(const std::string& fileName) {
  try {
    auto info = platform::ReadFileVersionInfo(fileName);
    if (!info)
      return;
    ProductName = info->ProductName;
    FileDescription = info->FileDescription;
    Major = info->Version[0];
    Minor = info->Version[1];
    Release = info->Version[2];
    Build = info->Version[3];
    Valid = true;
  } catch (...) {
    Valid = false;
    ProductName.clear();
    FileDescription.clear();
    Major = Minor = Release = Build = 0;
  }
}

std::string TzetVersionInfo::VersionText() const {
  return std::to_string(Major) + "." + std::to_string(Minor) + "." + std::to_string(Release) + "." +
         std::to_string(Build);
}

namespace support {

bool IsWow64() {
  return platform::IsWow64Process();
}

std::string GetModuleFileName(uintptr_t module) {
  try {
    // The platform switches the WOW64 redirection off around the query.
    return platform::ModuleFileName(module);
  } catch (...) {
    return {};
  }
}

std::string GetModuleDir(uintptr_t module) {
  const std::string fileName = GetModuleFileName(module);
  if (fileName.empty())
    return {};
  return WithTrailingDelimiter(rtl::ExtractFilePath(fileName));
}

std::string GetEnvVar(std::string_view name) {
  try {
    return platform::GetEnvVar(name);
  } catch (...) {
    return {};
  }
}

std::string GetSpecialFolder(int csidl, std::string_view subFolder, bool fallBackToModuleDir) {
  try {
    const std::string sub = MakeValidFileName(subFolder, true, ' ');
    ShellFolderQuery query = g_shellQuery.load();
    const platform::ShellFolderAnswer answer =
        query ? query(csidl) : platform::QueryShellSpecialFolder(csidl);
    std::string result;
    if (answer.Status == platform::ShellFolderStatus::NoShell) {
      if (fallBackToModuleDir)
        result = GetModuleDir();
    } else if (answer.Status == platform::ShellFolderStatus::Found) {
      result = WithTrailingDelimiter(answer.Path) + sub;
    } else {
      if (std::string folder = RegistryShellFolder(csidl); !folder.empty())
        result = WithTrailingDelimiter(folder) + sub;
      if (result.empty())
        if (std::string common = GetEnvVar("CommonProgramFiles"); !common.empty())
          result = WithTrailingDelimiter(common) + sub;
      if (result.empty() && fallBackToModuleDir)
        result = GetModuleDir();
    }
    return WithTrailingDelimiter(result);
  } catch (...) {
    return {};
  }
}

std::string MakeValidFileName(std::string_view name, bool strict, char replaceChar) {
  std::string result;
  result.reserve(name.size());
  for (char c : name) {
    if (!IsInvalidFileNameChar(c, strict))
      result += c;
    else if (replaceChar != '\0')
      result += replaceChar;
  }
  std::string upper = result;
  for (char& c : upper)
    c = AsciiUpper(c);
  const std::string_view head = std::string_view(upper).substr(0, 3);
  const bool deviceName = head == "COM" || head == "LPT" || upper == "CON" || upper == "AUX" ||
                          upper == "PRN" || upper == "NUL";
  // "." and ".." would name the folder itself or its parent rather than an element inside it.
  const bool dotsOnly = !result.empty() && result.find_first_not_of('.') == std::string::npos;
  if (deviceName || dotsOnly)
    result.insert(result.begin(), '_');
  return result;
}

int32_t PosEx(std::string_view subText, std::string_view text, int32_t startPos) {
  if (subText.empty() || startPos < 1 || static_cast<std::size_t>(startPos) > text.size())
    return 0;
  const std::size_t found = text.find(subText, static_cast<std::size_t>(startPos - 1));
  return found == std::string_view::npos ? 0 : static_cast<int32_t>(found + 1);
}

std::string GetToken(std::string_view text, std::string_view delimiter, int32_t index, bool trim,
                     int32_t* partLength, int32_t* partPos) {
  if (partLength)
    *partLength = 0;
  if (partPos)
    *partPos = -1;
  std::string_view part;
  bool found = false;
  int32_t pos = 1;
  for (int32_t k = 1; k <= index; ++k) {
    const int32_t next = PosEx(delimiter, text, pos);
    if (k == index) {
      const std::size_t from = static_cast<std::size_t>(pos - 1);
      const std::size_t to = next > 0 ? static_cast<std::size_t>(next - 1) : text.size();
      part = from <= to ? text.substr(from, to - from) : std::string_view();
      found = true;
      if (partPos)
        *partPos = pos;
      break;
    }
    if (next == 0)
      break;
    pos = next + static_cast<int32_t>(delimiter.size());
  }
  if (!found)
    return {};
  if (partLength)
    *partLength = static_cast<int32_t>(part.size());
  if (trim)
    part = rtl::Trim(part);
  return std::string(part);
}

std::string ReplaceChar(std::string_view text, char oldChar, char newChar) {
  std::string result(text);
  for (char& c : result)
    if (c == oldChar)
      c = newChar;
  return result;
}

void SplitToList(TStringList& list, std::string_view text, char separator) {
  list.SetText(ReplaceChar(text, separator, '\r'));
}

int32_t IndexInList(std::string_view listText, std::string_view item, bool ignoreCase) {
  std::string entries(listText), wanted(item);
  if (ignoreCase) {
    for (char& c : entries)
      c = AsciiLower(c);
    for (char& c : wanted)
      c = AsciiLower(c);
  }
  TStringList list;
  SplitToList(list, entries, '|');
  return list.IndexOf(wanted);
}

rtl::AnsiString CopyString(const rtl::AnsiString& text) {
  return rtl::AnsiString(text.View());
}

bool VarIsEmptyOrNull(const platform::VariantRec& v) noexcept {
  const platform::VariantRec* p = Dereferenced(v);
  return p && (p->vt == platform::vtEmpty || p->vt == platform::vtNull);
}

bool VarIsString(const platform::VariantRec& v) noexcept {
  const platform::VariantRec* p = Dereferenced(v);
  if (!p)
    return false;
  const uint16_t type = p->vt & static_cast<uint16_t>(~platform::vtByRef);
  return type == platform::vtBstr || type == platform::vtAnsiString;
}

ShellFolderQuery SetShellFolderQuery(ShellFolderQuery query) {
  return g_shellQuery.exchange(query);
}

} // namespace support
