#include "platform/win32/window_class_win.h"

namespace platform {

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

bool OwnWindowClass::Ensure() {
  std::call_once(once_, [this] {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc_;
    wc.hInstance = ThisModule();
    wc.lpszClassName = name_;
    registered_ = ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered_;
}

OwnWindowClass::~OwnWindowClass() {
  if (registered_)
    ::UnregisterClassA(name_, ThisModule());
}

} // namespace platform
