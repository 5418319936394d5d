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
#include <thread>
#include <vector>

class TComponent;

namespace support {

/// Classic help commands that reach the application's help handler.
constexpr uint16_t kHelpContext = 1;      // show the topic of a help context (Data)
constexpr uint16_t kHelpContextPopup = 8; // the same, asked for a pop-up
constexpr uint16_t kHelpFinder = 11;      // show the contents

/// Something that answers the application's help requests (the help viewer component).
class HelpHandler {
public:
  /// Handles Command with Data. CallHelp starts true; leaving it true asks for the default help
  /// system, which the library does not have. Answers whether the request was handled.
  virtual bool HandleHelp(uint16_t command, intptr_t data, bool& callHelp) = 0;

protected:
  ~HelpHandler() = default;
};

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

  /// The application's help file; a help viewer component takes it when it is read from a form
  /// resource with DefaultFile set.
  const std::string& HelpFile() const noexcept { return helpFile_; }
  void SetHelpFile(std::string fileName) { helpFile_ = std::move(fileName); }

  /// Makes Handler the one that answers the calling thread's help requests until it is removed;
  /// the handler it replaces answers again after that. Each thread that shows dialogs has its
  /// own order: a dialog's F1 is answered by the help of that dialog, not by the one another
  /// thread installed last.
  void InstallHelpHandler(HelpHandler* handler);
  /// Takes Handler out wherever it stands, so that components freed in any order never leave a
  /// freed handler installed.
  void RemoveHelpHandler(HelpHandler* handler) noexcept;
  /// The handler that answers the calling thread's help requests now: the last one installed on
  /// this thread, else the last one installed anywhere, else null.
  HelpHandler* CurrentHelpHandler() const noexcept;
  /// Passes a help request (F1, a dialog's help button, the contents) to the current handler and
  /// answers its result; false without handler.
  bool HelpCommand(uint16_t command, intptr_t data);

  /// The forms of the calling thread, in the order they were added (the application-wide
  /// translation walks them; a form belongs to the thread that created it, and only that thread
  /// touches it). A form adds itself when it is created and removes itself when it goes away.
  void AddForm(TComponent* form);
  void RemoveForm(TComponent* form) noexcept;
  std::vector<TComponent*> Forms() const;
  /// Calls Fn for every form of every thread under the list's lock: a form leaves the list in its
  /// destructor, so each one is alive during its call. Fn must not add or remove forms.
  void ForEachForm(const std::function<void(TComponent& form)>& fn) const;

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
  std::string helpFile_;
  struct InstalledHelp {
    std::thread::id thread;
    HelpHandler* handler;
  };
  std::vector<InstalledHelp> helpHandlers_;
  mutable std::mutex mutex_;
  struct ThreadForm {
    std::thread::id thread;
    TComponent* form;
  };
  std::vector<ThreadForm> forms_;
  ExceptionHandler onException_;
};

/// The library's one application object; it exists for the whole life of the library.
Application& TheApplication();

} // namespace support
