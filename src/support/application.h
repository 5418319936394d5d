// The library's application object.
//
// The library is a plug-in: the host owns the process, its main window and its message loop, so
// there is no toolkit application of the library's own. This small object stands in for it. It
// holds the one piece of application state the library consults, whether the application is
// terminating, and the application's processing of all pending messages on the thread that
// loaded the library.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

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

  /// Makes Handler the one that answers help requests until it is removed; the handler it
  /// replaces answers again after that. Help runs on the user-interface thread only.
  void InstallHelpHandler(HelpHandler* handler);
  /// Takes Handler out wherever it stands, so that components freed in any order never leave a
  /// freed handler installed.
  void RemoveHelpHandler(HelpHandler* handler) noexcept;
  /// The handler that answers help requests now, or null.
  HelpHandler* CurrentHelpHandler() const noexcept;
  /// Passes a help request (F1, a dialog's help button, the contents) to the current handler and
  /// answers its result; false without handler.
  bool HelpCommand(uint16_t command, intptr_t data);

private:
  std::atomic<bool> terminated_{false};
  std::string helpFile_;
  std::vector<HelpHandler*> helpHandlers_;
};

/// The library's one application object; it exists for the whole life of the library.
Application& TheApplication();

} // namespace support
