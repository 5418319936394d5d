// The library's application object.
//
// The library is a plug-in: the host owns the process, its main window and its message loop, so
// there is no toolkit application of the library's own. This small object stands in for it. It
// holds the one piece of application state the library consults, whether the application is
// terminating, and the application's processing of all pending messages on the thread that
// loaded the library; the forms the library shows, for the application-wide translation; the
// application's reading order; and the handling of exceptions that an event handler let out.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TComponent;

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

  /// The forms the library currently shows, in the order they were added. A form adds itself
  /// when it is created and removes itself when it goes away.
  void AddForm(TComponent* form);
  void RemoveForm(TComponent* form) noexcept;
  std::vector<TComponent*> Forms() const;

  /// Reading order of the application: 0 left to right, 1 right to left, 2 right to left
  /// without alignment change, 3 right to left reading order only.
  std::atomic<uint8_t> BiDiMode{0};

  /// The runtime's handling of an exception that an event handler let out (a timer event, for
  /// instance): the handler set with SetOnException gets the message, or, without one, the
  /// standard error message box shows it. Never raises.
  void HandleException(std::exception_ptr failure) noexcept;
  using ExceptionHandler = std::function<void(const std::string& message)>;
  /// Installs Handler (empty: the message box again) and answers the previous one.
  ExceptionHandler SetOnException(ExceptionHandler handler);

private:
  std::atomic<bool> terminated_{false};
  mutable std::mutex mutex_;
  std::vector<TComponent*> forms_;
  ExceptionHandler onException_;
};

/// The library's one application object; it exists for the whole life of the library.
Application& TheApplication();

} // namespace support
