// The host's message window as a real host runs it: a message-only window on its own thread with
// its own message loop, recording the log traffic the module sends. Windows only.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HostMessageWindow {
public:
  struct CopyData {
    uintptr_t wParam;
    uintptr_t dwData;
    std::string bytes;
  };

  HostMessageWindow();
  ~HostMessageWindow();

  HWND Handle() const { return hwnd_; }
  /// Stops pumping for Ms milliseconds (the window does not answer meanwhile); returns once the
  /// window's thread is inside the stall.
  void Stall(unsigned ms);
  std::vector<CopyData> CopyDataSeen();
  int LogPendingSeen() const { return pending_.load(); }
  uintptr_t LastPendingWParam() const { return pendingWParam_.load(); }
  /// Waits until at least N log-pending notices arrived (or 10 s passed).
  bool WaitForPending(int n);

private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  void Run();

  std::thread thread_;
  HWND hwnd_ = nullptr;
  DWORD threadId_ = 0;
  std::mutex lock_;
  std::condition_variable ready_;
  std::vector<CopyData> seen_;
  std::atomic<int> pending_{0};
  std::atomic<int> stalls_{0};
  std::atomic<uintptr_t> pendingWParam_{0};
};

#endif
