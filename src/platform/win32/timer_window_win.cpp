// The timer window: a hidden tool window (WS_POPUP, never shown) of the class
// "AggregationTimerWindow", whose procedure forwards to the WindowProc given at creation. An
// exception that the procedure lets out is dropped here: it must not unwind through the system.
#include "platform/timer_window.h"
#include "platform/win32/window_class_win.h"
#include "platform/win32/windows_include.h"


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

OwnWindowClass gTimerWindowClass(kTimerWindowClass, &TimerWindowProc);

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
