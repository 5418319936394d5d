// The HTML Help control: the system's viewer of compiled help files (.chm). The library is not
// linked against it; support/html_help.cpp finds the control's file through the registry and
// loads it on first use through this service. On POSIX the control is absent: loading it always
// fails, so every help request behaves as on a Windows system without the control.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

/// Command codes of the control.
constexpr uint32_t kHhDisplayToc = 0x0001;
constexpr uint32_t kHhHelpContext = 0x000F;
constexpr uint32_t kHhCloseAll = 0x0012;
constexpr uint32_t kHhInitialize = 0x001C;
constexpr uint32_t kHhUninitialize = 0x001D;

/// Key under the classes root whose default value is the file name of the control.
constexpr char kHtmlHelpControlKey[] =
    "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

/// The folder of the system's libraries that this process loads: under WOW64 the 32-bit system
/// folder when the system can name it, otherwise the system folder. Empty when unknown (always
/// on POSIX).
std::string SystemLibraryFolder();

/// The active window of the calling thread's message queue (the dialog in front while a modal
/// dialog runs), 0 when there is none.
uintptr_t ActiveWindow() noexcept;

/// A loaded HTML Help control; freeing the object frees the control's module. Move-less: held
/// through the pointer that Load answers.
class HtmlHelpControl {
public:
  /// Loads the control from FileName and looks up its entry points HtmlHelpA and HtmlHelpW.
  /// Nothing when the module cannot be loaded or lacks either entry point (then it is freed again
  /// at once). Always nothing on POSIX.
  static std::unique_ptr<HtmlHelpControl> Load(const std::string& fileName);

  ~HtmlHelpControl();
  HtmlHelpControl(const HtmlHelpControl&) = delete;
  HtmlHelpControl& operator=(const HtmlHelpControl&) = delete;

  /// HtmlHelpA(Caller, File, Command, Data): for HH_HELP_CONTEXT and HH_DISPLAY_TOC the viewer's
  /// window, 0 when it could not be shown; for the other commands the control's answer. File may
  /// be null.
  uintptr_t Call(uintptr_t caller, const char* file, uint32_t command, uintptr_t data) const;

private:
  HtmlHelpControl(uintptr_t module, void* htmlHelpA) noexcept
      : module_(module), htmlHelpA_(htmlHelpA) {}

  [[maybe_unused]] uintptr_t module_;
  [[maybe_unused]] void* htmlHelpA_;
};

} // namespace platform
