#include "platform/file_replace.h"
#include "platform/win32/system_error_win.h"

#include <cstdio>

namespace platform {

std::FILE* CreateForWriting(const std::string& fileName) {
  // "N": not inherited.
  return std::fopen(fileName.c_str(), "wbN");
}

bool MoveFileReplacing(const std::string& source, const std::string& target, std::string& error) {
  // A reader that does not take the INI lock (a virus scanner, an editor) may hold the target
  // open for a moment; the replacement is tried again for about half a second before it fails.
  DWORD code = 0;
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (::MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
      return true;
    code = ::GetLastError();
    if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION &&
        code != ERROR_LOCK_VIOLATION)
      break;
    ::Sleep(10);
  }
  error = SystemErrorText(code);
  return false;
}

} // namespace platform
