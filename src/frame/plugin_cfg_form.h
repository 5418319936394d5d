// The options-form frame: the one routine that every module's options dialog calls from its
// creation handler. It gives the dialog its caption and help file, builds the button rows, lets
// the module translate it, loads its controls from the module's settings through the property map,
// places it on the screen and makes it save its controls when it closes: all of them after OK,
// only the window position (the map up to ";---short---") otherwise.
#pragma once

#include "support/html_help.h"
#include "ui/form.h"

#include <cstdint>

class TzetPlugin;
class TzetStrHolder;

/// Flags of InitPluginConfigForm.
enum : uint8_t {
  cfSaveOnClose = 1,    // save the controls when the dialog closes
  cfOkCancelPanels = 2, // build the OK/Cancel rows
  cfNoPlacement = 8,    // neither remember the design position nor place the dialog
  cfNoLoad = 16,        // do not load the controls from the settings
  cfNoCaption = 32,     // leave the caption and the Tag alone
};

/// The help context of the options pages in the module's help file.
constexpr int32_t kOptionsHelpContext = 80;

/// The dialog's help component: the help viewer, given the module's help file. While the dialog
/// lives it answers the dialog's help requests (F1, the caption bar's help button).
class TPluginCfgHelp : public THtmlHelp {
public:
  explicit TPluginCfgHelp(TComponent* owner) : THtmlHelp(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
};

/// The class-level handlers the frame installs on a dialog.
class TPluginConfigFormFunc {
public:
  /// Resize handler of a button container.
  static void LayoutOkCancelPanel(TObject* sender);
  /// Close handler of the dialog: saves all mapped controls after OK, the short set otherwise.
  static void SaveFormOnClose(TObject* sender, TCloseAction& action);
};

void InitPluginConfigForm(TForm* form, uint8_t flags);

/// The first module object in Component's chain of owners, or null.
TzetPlugin* FindOwnerModule(const TComponent* component);
/// The property map of a dialog: the string holder "Properties" of the nearest owner in its
/// chain of owners that has one (the module for an options dialog, also for a dialog that an
/// options dialog owns), else its own.
TzetStrHolder* FindPropertyMap(const TForm& form);
/// Loads the dialog's mapped controls from the module's settings. A dialog owned by another
/// dialog (a second dialog of the options) loads only the lines after ";---short---": the
/// window position in the map is that of the dialog that owns it.
void LoadFormSettings(TForm& form);
/// Saves the dialog's mapped controls to the module's settings, with the same rule for a dialog
/// owned by another dialog. False when there is no module or map or the store failed; Error
/// then receives the store's reason, when there is one.
bool SaveFormSettings(TForm& form, std::string* error = nullptr);
/// Saves the dialog's controls after OK. When the store fails, the module's host log gets a
/// line with the reason and the dialog's answer becomes Cancel: the settings were not saved, and
/// the host must not be told that they were.
bool SaveConfirmedForm(TForm& form);
/// True when the dialog stays at the position the settings moved it to (see the source).
bool KeepLoadedPosition(const TForm& form, const TzetPlugin& module);
/// Centres the dialog over the module's owner window, else the monitor under the mouse.
void CentreForm(TForm& form, const TzetPlugin& module);
