#include "platform/error_box.h"
#include "platform/codepage.h"
#include "platform/win32/windows_include.h"

#include <string>

namespace platform {

void ShowErrorBox(std::string_view title, std::string_view text) noexcept {
  try {
    const std::u16string t = AnsiToWide(title), m = AnsiToWide(text);
    ::MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(m.c_str()),
                  reinterpret_cast<LPCWSTR>(t.c_str()), MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (...) {
  }
}

} // namespace platform
