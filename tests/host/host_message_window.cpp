#include "host_message_window.h"

#ifdef _WIN32

#include "zet_plugin_abi.h"

#include <chrono>

namespace {
constexpr UINT kStall = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;
} // namespace

HostMessageWindow::HostMessageWindow() {
  std::unique_lock<std::mutex> g(lock_);
  thread_ = std::thread([this] { Run(); });
  ready_.wait(g, [this] { return hwnd_ != nullptr; });
}

HostMessageWindow::~HostMessageWindow() {
  ::PostMessageA(hwnd_, kQuit, 0, 0);
  thread_.join();
}

void HostMessageWindow::Stall(unsigned ms) {
  const int before = stalls_.load();
  ::PostMessageA(hwnd_, kStall, ms, 0);
  while (stalls_.load() == before)
    ::Sleep(1);
}

std::vector<HostMessageWindow::CopyData> HostMessageWindow::CopyDataSeen() {
  std::lock_guard<std::mutex> g(lock_);
  return seen_;
}

bool HostMessageWindow::WaitForPending(int n) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (pending_.load() < n && std::chrono::steady_clock::now() < until)
    ::Sleep(5);
  return pending_.load() >= n;
}

LRESULT CALLBACK HostMessageWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<HostMessageWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self) {
    switch (msg) {
    case WM_COPYDATA: {
      const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      std::lock_guard<std::mutex> g(self->lock_);
      self->seen_.push_back({static_cast<uintptr_t>(wParam), static_cast<uintptr_t>(cds->dwData),
                             std::string(static_cast<const char*>(cds->lpData), cds->cbData)});
      return TRUE;
    }
    case ZET_WM_HOST_LOG_PENDING:
      self->pendingWParam_ = static_cast<uintptr_t>(wParam);
      ++self->pending_;
      return 0;
    case kStall:
      ++self->stalls_;
      ::Sleep(static_cast<DWORD>(wParam));
      return 0;
    case kQuit:
      ::DestroyWindow(hwnd);
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
    }
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

void HostMessageWindow::Run() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Proc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "AggHostMessageWindow";
  ::RegisterClassA(&wc); // a second window finds the class registered already
  HWND hwnd = ::CreateWindowExA(0, wc.lpszClassName, "host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  {
    std::lock_guard<std::mutex> g(lock_);
    hwnd_ = hwnd;
    threadId_ = ::GetCurrentThreadId();
  }
  ready_.notify_all();
  MSG m;
  while (::GetMessageA(&m, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&m);
    ::DispatchMessageA(&m);
  }
}

#endif
