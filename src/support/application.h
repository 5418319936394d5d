// The library's application object.
//
// The library is a plug-in: the host owns the process, its main window and its message loop, so
// there is no toolkit application of the library's own. This small object stands in for it. It
// holds the one piece of application state the library consults, whether the application is
// terminating, and the application's processing of all pending messages on the thread that
// loaded the library.
#pragma once

#include <atomic>

namespace support {

class Application {
public:
  /// True once the application is terminating: its thread's message loop was told to quit, or
  /// SetTerminated(true) was called.
  bool Terminated() const noexcept { return terminated_.load(std::memory_order_acquire); }
  void SetTerminated(bool value) noexcept { terminated_.store(value, std::memory_order_release); }

  /// Takes and handles every pending message of the calling thread. A quit message ends the
  /// processing and marks the application as terminating; it stays queued so that the host's own
  /// loop still ends.
  void ProcessMessages();

private:
  std::atomic<bool> terminated_{false};
};

/// The library's one application object; it exists for the whole life of the library.
Application& TheApplication();

} // namespace support
