// Thread queues and message windows on the system's own calls.
//
// Message windows are message-only windows (parent HWND_MESSAGE) of one window class that this
// library registers for itself. The class's procedure forwards to the WindowProc given at
// creation; it catches C++ exceptions, which must not unwind through the system's frames, and
// hands them to DispatchWindowMessage, which throws them again on the far side of
// DispatchMessageA.
#include "platform/message_pump.h"
#include "platform/win32/scoped_handles_win.h"
#include "platform/win32/window_class_win.h"
#include "platform/win32/windows_include.h"

#include <exception>
#include <memory>

namespace platform {
namespace {

constexpr const char* kWindowClass = "AggregationMessageWindow";

struct Binding {
  WindowProc proc;
  void* context;
};

// The exception a window procedure raised during the current dispatch on this thread.
thread_local std::exception_ptr tPendingException;

LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* binding = reinterpret_cast<Binding*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!binding)
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  try {
    result = binding->proc(binding->context, reinterpret_cast<WindowHandle>(hwnd), message, wParam,
                           lParam);
  } catch (...) {
    tPendingException = std::current_exception();
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete binding;
  }
  return result;
}

OwnWindowClass gWindowClass(kWindowClass, &ForwardingProc);

MSG ToMsg(const Message& msg) {
  MSG m{};
  m.hwnd = reinterpret_cast<HWND>(msg.hwnd);
  m.message = msg.message;
  m.wParam = msg.wParam;
  m.lParam = msg.lParam;
  m.time = msg.time;
  m.pt.x = msg.ptX;
  m.pt.y = msg.ptY;
  return m;
}

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

// Static initialisation runs inside the library's start, on the thread that loads it.
const DWORD gLoaderThread = ::GetCurrentThreadId();

} // namespace

uint32_t CurrentThreadId() {
  return ::GetCurrentThreadId();
}

bool IsLoaderThread() {
  return ::GetCurrentThreadId() == gLoaderThread;
}

void SleepMs(uint32_t ms) {
  ::Sleep(ms);
}

bool PeekRemoveMessage(Message& msg) {
  MSG m{};
  if (!::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
    return false;
  msg.hwnd = reinterpret_cast<WindowHandle>(m.hwnd);
  msg.message = m.message;
  msg.wParam = m.wParam;
  msg.lParam = m.lParam;
  msg.time = m.time;
  msg.ptX = m.pt.x;
  msg.ptY = m.pt.y;
  return true;
}

void TranslateWindowMessage(const Message& msg) {
  const MSG m = ToMsg(msg);
  ::TranslateMessage(&m);
}

intptr_t DispatchWindowMessage(const Message& msg) {
  const MSG m = ToMsg(msg);
  tPendingException = nullptr;
  const LRESULT result = ::DispatchMessageA(&m);
  if (tPendingException) {
    std::exception_ptr pending = std::move(tPendingException);
    tPendingException = nullptr;
    std::rethrow_exception(pending);
  }
  return result;
}

bool WaitForMessage(uint32_t ms) {
  return ::MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
         WAIT_OBJECT_0;
}

void PostQuit(int32_t exitCode) {
  ::PostQuitMessage(exitCode);
}

bool PostThreadMessageTo(uint32_t threadId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return ::PostThreadMessageA(threadId, message, wParam, lParam) != 0;
}

WindowHandle CreateMessageWindow(WindowProc proc, void* context) {
  if (!proc || !gWindowClass.Ensure())
    return 0;
  ScopedWindow hwnd(::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      ThisModule(), nullptr));
  if (!hwnd)
    return 0;
  // Bound after creation: the procedure sees no creation messages, as in the stand-in.
  auto binding = std::make_unique<Binding>(Binding{proc, context});
  ::SetWindowLongPtrA(hwnd.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(binding.release()));
  return reinterpret_cast<WindowHandle>(hwnd.Release());
}

bool DestroyMessageWindow(WindowHandle window) {
  if (!window)
    return false;
  const bool done = ::DestroyWindow(ToHwnd(window)) != 0;
  tPendingException = nullptr; // an exception of WM_DESTROY stops here
  return done;
}

bool IsMessageWindow(WindowHandle window) {
  return window && ::IsWindow(ToHwnd(window));
}

uint32_t WindowOwnerThread(WindowHandle window) {
  if (!window)
    return 0;
  return ::GetWindowThreadProcessId(ToHwnd(window), nullptr);
}

intptr_t DefaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  return ::DefWindowProcA(ToHwnd(window), message, wParam, lParam);
}

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return window && ::PostMessageA(ToHwnd(window), message, wParam, lParam) != 0;
}

bool SendWindowMessageTimeout(WindowHandle window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam, uint32_t flags, uint32_t timeoutMs,
                              intptr_t* result) {
  if (!window)
    return false;
  DWORD_PTR answer = 0;
  const bool done = ::SendMessageTimeoutA(ToHwnd(window), message, wParam, lParam, flags, timeoutMs,
                                          &answer) != 0;
  tPendingException = nullptr; // exceptions of a directly called procedure are swallowed
  if (done && result)
    *result = static_cast<intptr_t>(answer);
  return done;
}

bool SendNotifyWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
  if (!window)
    return false;
  const bool done = ::SendNotifyMessageA(ToHwnd(window), message, wParam, lParam) != 0;
  tPendingException = nullptr;
  return done;
}

bool SetWindowTimer(WindowHandle window, uintptr_t id, uint32_t ms) {
  return window && ::SetTimer(ToHwnd(window), id, ms, nullptr) != 0;
}

bool KillWindowTimer(WindowHandle window, uintptr_t id) {
  return window && ::KillTimer(ToHwnd(window), id) != 0;
}

} // namespace platform
