// A stand-in host: a message window on a thread of its own, as the host's message window is.
// A pumping host runs a message loop and records what reaches its window; a hung host creates
// its window and then never looks at its queue until the test lets it finish.
#pragma once

#include "platform/message_pump.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ReceivedMessage {
  uint32_t Message = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  // Copy-data messages only: the record's dwData and a copy of its bytes.
  uintptr_t DwData = 0;
  std::string Bytes;
};

class HostWindowThread {
public:
  enum Mode { Pumping, Hung };
  explicit HostWindowThread(Mode mode);
  /// Lets the thread finish (a hung one without ever pumping) and joins it.
  ~HostWindowThread();
  HostWindowThread(const HostWindowThread&) = delete;
  HostWindowThread& operator=(const HostWindowThread&) = delete;

  platform::WindowHandle Window() const { return window_; }
  /// What the window has received so far, in order.
  std::vector<ReceivedMessage> Received();
  /// Only the copy-data messages.
  std::vector<ReceivedMessage> CopyData();
  /// Waits until at least Count messages of that number have arrived.
  bool WaitFor(uint32_t message, std::size_t count,
               std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
  static intptr_t Proc(void* context, platform::WindowHandle window, uint32_t message,
                       uintptr_t wParam, intptr_t lParam);
  void Run();

  const Mode mode_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  bool stop_ = false;
  platform::WindowHandle window_ = 0;
  std::vector<ReceivedMessage> received_;
  std::thread thread_;
};
