// The help viewer component: routes the help requests of the user interface (F1 with a help
// context, a dialog's help button, a request for the contents) to the system's HTML Help viewer.
//
// The viewer control is not linked to the library. The first help request of the library's life
// finds it through the registry (the default value of the control's InprocServer32 key under the
// classes root, with "%SystemRoot%\System32\" mapped onto the system folder of this process),
// loads it and initialises it. The last help component to go (and the library's end, through
// UnloadHelp) closes the viewer's windows and frees the control again; the next help request then
// loads it anew. The control's state is module-wide and locked: dialogs on two threads each have
// their help component, and one of them closing never frees the control the other one uses.
#pragma once

#include "rtl/component.h"
#include "support/application.h"

#include <cstdint>
#include <string>
#include <string_view>

class THtmlHelp : public TComponent, public support::HelpHandler {
public:
  /// Empty ChmFile and WinDef, DefaultFile set; becomes the application's help handler until it
  /// is freed.
  explicit THtmlHelp(TComponent* owner);
  /// Gives the application's help requests back to the handler before it; the last help
  /// component to go unloads the control.
  ~THtmlHelp() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// The compiled help file.
  const std::string& ChmFile() const noexcept { return chmFile_; }
  void SetChmFile(std::string_view fileName) { chmFile_ = std::string(fileName); }
  /// Name of a window definition inside the help file; empty for the file's default window.
  const std::string& WinDef() const noexcept { return winDef_; }
  void SetWinDef(std::string_view name) { winDef_ = std::string(name); }
  /// Take the application's help file when the component is read from a form resource. Setting
  /// it clears ChmFile.
  bool DefaultFile() const noexcept { return defaultFile_; }
  void SetDefaultFile(bool value);

  /// ChmFile, then "::" and Topic when Topic is not empty, then ">" and WinDef when WinDef is
  /// not empty.
  std::string BuildUrl(std::string_view topic) const;
  /// Opens the topic of Context; the viewer's window, 0 when the control is not available or the
  /// help file has no topic for Context.
  uintptr_t ShowContext(intptr_t context) const;
  /// The application's help handler: a context (also as a pop-up) opens its topic, the finder
  /// opens the contents (false when the control is not available), other commands are ignored.
  /// CallHelp becomes false: there is no other help system to call.
  bool HelpHook(uint16_t command, intptr_t data, bool& callHelp);

  /// Loads the control on the first call after the library was loaded or the control unloaded;
  /// answers whether it is loaded.
  static bool HelpAvailable();
  /// Closes every viewer window and frees the control.
  static void UnloadHelp();
  /// Whether the control is loaded now; never loads it.
  static bool HelpLoaded();

  bool HandleHelp(uint16_t command, intptr_t data, bool& callHelp) override {
    return HelpHook(command, data, callHelp);
  }

protected:
  /// With DefaultFile set, ChmFile becomes the application's help file; a name without folder is
  /// taken from the folder of the running program.
  void Loaded() override;

private:
  std::string chmFile_;
  std::string winDef_;
  bool defaultFile_ = true;
};

/// Makes the component's class known to form resources by name. Later calls do nothing.
void RegisterHtmlHelpClass();

namespace support {

/// RegisteredPath with its first "%SystemRoot%\System32\" (compared regardless of case) replaced
/// by SystemFolder and a backslash; unchanged when SystemFolder is empty.
std::string MapSystemFolder(std::string_view registeredPath, std::string_view systemFolder);
/// The control's file name as the registry records it, mapped onto this process's system folder;
/// empty when the control is not registered.
std::string LocateHtmlHelpControl();

} // namespace support
