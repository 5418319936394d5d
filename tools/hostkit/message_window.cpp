#include "message_window.h"

#ifdef _WIN32

#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace hostkit {
namespace {

constexpr UINT kQuit = WM_APP + 0x3F0;
constexpr const char* kClassName = "HostkitMessageWindow";

struct Startup {
  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
};

} // namespace

struct MessageWindow::Procedure {
  static LRESULT CALLBACK Run(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessageWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_COPYDATA) {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (self->onCopyData_ && cds)
        self->onCopyData_(
            static_cast<uintptr_t>(wParam), static_cast<uintptr_t>(cds->dwData),
            std::string(static_cast<const char*>(cds->lpData), cds->lpData ? cds->cbData : 0));
      return TRUE;
    }
    if (msg == kQuit) {
      ::DestroyWindow(hwnd);
      ::PostQuitMessage(0);
      return 0;
    }
    if (self && msg >= WM_USER && msg < WM_APP) {
      if (self->onNotice_)
        self->onNotice_(msg, static_cast<uintptr_t>(wParam));
      return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  }
};

bool MessageWindow::Supported() {
  return true;
}

MessageWindow::MessageWindow(CopyDataHandler onCopyData, NoticeHandler onNotice)
    : onCopyData_(std::move(onCopyData)), onNotice_(std::move(onNotice)) {
  Startup startup;
  thread_ = std::thread([this, &startup] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Procedure::Run;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassA(&wc); // a second window finds the class registered already
    HWND hwnd = ::CreateWindowExA(0, kClassName, "host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    if (hwnd)
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard<std::mutex> g(startup.lock);
      handle_ = reinterpret_cast<uintptr_t>(hwnd);
      startup.finished = true;
    }
    startup.done.notify_all();
    if (!hwnd)
      return;
    MSG m;
    while (::GetMessageA(&m, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&m);
      ::DispatchMessageA(&m);
    }
  });
  std::unique_lock<std::mutex> g(startup.lock);
  startup.done.wait(g, [&] { return startup.finished; });
}

MessageWindow::~MessageWindow() {
  if (handle_)
    ::PostMessageA(reinterpret_cast<HWND>(handle_), kQuit, 0, 0);
  if (thread_.joinable())
    thread_.join();
}

} // namespace hostkit

#else

namespace hostkit {

bool MessageWindow::Supported() {
  return false;
}

MessageWindow::MessageWindow(CopyDataHandler onCopyData, NoticeHandler onNotice)
    : onCopyData_(std::move(onCopyData)), onNotice_(std::move(onNotice)) {}

MessageWindow::~MessageWindow() = default;

} // namespace hostkit

#endif
