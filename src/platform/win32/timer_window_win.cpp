// The timer window: a hidden tool window (WS_POPUP, never shown) of the class
// "AggregationTimerWindow", whose procedure forwards to the WindowProc given at creation. An
// exception that the procedure lets out is dropped here: it must not unwind through the system.
#include "platform/timer_window.h"
#include "platform/win32/windows_include.h"

#include <mutex>

namespace platform {
namespace {

constexpr const char* kTimerWindowClass = "AggregationTimerWindow";

struct Binding {
  WindowProc proc;
  void* context;
};

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* binding = reinterpret_cast<Binding*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!binding)
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  if (message == WM_NCDESTROY || !binding->proc) {
    // After WM_DESTROY the procedure hears nothing more, as in the stand-in.
    result = ::DefWindowProcA(hwnd, message, wParam, lParam);
  } else {
    try {
      result = binding->proc(binding->context, reinterpret_cast<WindowHandle>(hwnd), message,
                             wParam, lParam);
    } catch (...) {
    }
    if (message == WM_DESTROY)
      binding->proc = nullptr;
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete binding;
  }
  return result;
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&TimerWindowProc), &module);
  return module;
}

class TimerWindowClass {
public:
  bool Ensure() {
    std::call_once(once_, [this] {
      WNDCLASSEXA wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &TimerWindowProc;
      wc.hInstance = ThisModule();
      wc.lpszClassName = kTimerWindowClass;
      registered_ = ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    });
    return registered_;
  }
  ~TimerWindowClass() {
    if (registered_)
      ::UnregisterClassA(kTimerWindowClass, ThisModule());
  }

private:
  std::once_flag once_;
  bool registered_ = false;
};

TimerWindowClass gTimerWindowClass;

} // namespace

WindowHandle CreateTimerWindow(WindowProc proc, void* context) {
  if (!proc || !gTimerWindowClass.Ensure())
    return 0;
  HWND hwnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, kTimerWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, ThisModule(), nullptr);
  if (!hwnd)
    return 0;
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Binding{proc, context}));
  return reinterpret_cast<WindowHandle>(hwnd);
}

} // namespace platform
