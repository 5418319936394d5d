#include "platform/file_replace.h"
#include "platform/win32/windows_include.h"

namespace platform {

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
  char* text = nullptr;
  ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  error = text ? text : "error " + std::to_string(code);
  if (text)
    ::LocalFree(text);
  while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == ' '))
    error.pop_back();
  return false;
}

} // namespace platform
