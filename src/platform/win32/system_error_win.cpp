#include "platform/win32/system_error_win.h"
#include "platform/win32/scoped_handles_win.h"

namespace platform {

std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  const ScopedLocalMemory owner(text);
  std::string result = text ? text : "error " + std::to_string(code);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result;
}

} // namespace platform
