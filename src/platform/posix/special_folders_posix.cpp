// Stand-ins for the shell folders, after the XDG base-directory conventions.
#include "platform/special_folders.h"

#include "platform/environment.h"

namespace platform {

namespace {
// $Variable when it is set, else $HOME/Fallback; empty without either.
std::string UserFolder(const char* variable, const char* fallback) {
  std::string folder = GetEnvVar(variable);
  if (!folder.empty())
    return folder;
  const std::string home = GetEnvVar("HOME");
  return home.empty() ? std::string() : home + "/" + fallback;
}
} // namespace

ShellFolderAnswer QueryShellSpecialFolder(int csidl) {
  ShellFolderAnswer answer;
  switch (csidl) {
  case kCsidlPersonal:
    answer.Path = UserFolder("XDG_DOCUMENTS_DIR", "Documents");
    break;
  case kCsidlAppData:
    answer.Path = UserFolder("XDG_CONFIG_HOME", ".config");
    break;
  case kCsidlLocalAppData:
    answer.Path = UserFolder("XDG_DATA_HOME", ".local/share");
    break;
  case kCsidlCommonAppData:
    answer.Path = "/var/lib";
    break;
  default:
    break;
  }
  answer.Status = answer.Path.empty() ? ShellFolderStatus::Failed : ShellFolderStatus::Found;
  return answer;
}

} // namespace platform
