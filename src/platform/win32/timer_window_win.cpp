// The timer window: a message-only window (parent HWND_MESSAGE) of the class
// "AggregationTimerWindow", whose procedure forwards to the WindowProc given at creation. Being
// message-only, it receives no broadcasts: a host thread that does not process messages would
// otherwise hold up every program that broadcasts WM_SETTINGCHANGE or a DDE initiate. An
// exception that the procedure lets out is dropped here: it must not unwind through the system.
#include "platform/timer_window.h"
#include "platform/win32/scoped_handles_win.h"
#include "platform/win32/window_class_win.h"
#include "platform/win32/windows_include.h"

#include <memory>

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
  ScopedWindow hwnd(::CreateWindowExA(0, kTimerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, ThisModule(), nullptr));
  if (!hwnd)
    return 0;
  auto binding = std::make_unique<Binding>(Binding{proc, context});
  ::SetWindowLongPtrA(hwnd.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(binding.release()));
  return reinterpret_cast<WindowHandle>(hwnd.Release());
}

} // namespace platform
