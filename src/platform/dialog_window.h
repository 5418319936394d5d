// Modal dialog windows and the controls inside them: the back end of the user-interface toolkit
// (src/ui/). The toolkit owns the control tree, its geometry and its state; this service makes
// the system's windows for it while a dialog runs and reports what the user does.
//
// On Windows a dialog is DialogBoxIndirectParamW with a template that holds only the frame and
// the system's dialog font; the controls are created while the dialog initialises, with the
// library's comctl32 version 6 manifest activated around the whole run. The owner window is
// disabled while the dialog is modal; Tab, Enter (the default button) and Esc are the system's
// dialog keys. On POSIX the stand-in keeps the controls as records with their bounds and state,
// without pixels; its modal run calls a hook that tests install to act as the user.
//
// Coordinates: a control's bounds are relative to its parent's client area (the dialog's client
// area for top-level controls); a dialog's bounds are its outer rectangle on the screen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A dialog or a control while its dialog runs; 0 is none.
using ControlHandle = uintptr_t;

enum class ControlKind : uint8_t {
  Panel,    // a container without a visible frame
  GroupBox, // a container with a titled frame
  Bevel,    // a line along the lower edge, or nothing (a spacer)
  Label,    // static text
  Button,   // a push button
  ComboBox, // a drop-down combo box: editable, or a list to pick from (dropDownList)
  SpinEdit, // a numeric edit with up/down buttons; its value is its text
  CheckBox, // a check box with its caption
  Edit,     // a one-line text edit
};

struct ControlRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

inline bool operator==(const ControlRect& a, const ControlRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

struct ControlDesign {
  ControlKind kind = ControlKind::Panel;
  /// The control's identifier in its dialog (WM_COMMAND, GetDlgCtrlID); unique per dialog.
  int32_t id = 0;
  ControlRect bounds;
  std::u16string text;
  bool visible = true;
  /// Reached with Tab.
  bool tabStop = false;
  /// Labels and check boxes: break the text into lines at the control's width.
  bool wordWrap = false;
  /// Labels: centre the text block vertically in the control.
  bool centreVertically = false;
  /// Bevels: draw the line along the lower edge; false for a spacer that draws nothing.
  bool lineAtBottom = false;
  /// Buttons: the button Enter presses, drawn with the default button's frame.
  bool defaultButton = false;
  /// Combo boxes: only an entry of the list can be picked; there is no edit to type into.
  bool dropDownList = false;
};

/// What a running dialog reports to the toolkit. Every call comes on the dialog's thread.
class DialogEvents {
public:
  virtual ~DialogEvents() = default;
  /// The dialog window exists (its client size follows its bounds); create the controls now.
  virtual void Created(ControlHandle dialog) = 0;
  /// The dialog's size changed (also once right after Created).
  virtual void Resized(ControlHandle dialog) = 0;
  /// A button was pressed (by click, Space, or Enter on the default button).
  virtual void Clicked(ControlHandle dialog, int32_t id) = 0;
  /// Esc (CloseBox false) or the close box of the caption bar (true).
  virtual void CancelRequested(ControlHandle dialog, bool closeBox) = 0;
  /// The limits of the outer size while the user resizes; 0 leaves a limit open.
  virtual void SizeLimits(int32_t& minWidth, int32_t& minHeight, int32_t& maxWidth,
                          int32_t& maxHeight) = 0;
  /// Help was asked for: F1, or the caption bar's help button clicked on a control. ControlId
  /// names the control (0 or an unknown one: the dialog itself).
  virtual void HelpRequested(ControlHandle dialog, int32_t controlId) {}
  /// The dialog is going away; its controls still answer. The last call of a run.
  virtual void Destroying(ControlHandle dialog) = 0;
};

struct DialogDesign {
  std::u16string caption;
  /// Outer rectangle on the screen.
  ControlRect bounds;
  /// The window that owns the dialog and is disabled while it runs; 0 for none.
  uintptr_t owner = 0;
  /// The help button in the caption bar.
  bool helpButton = false;
  /// The user can drag the frame.
  bool sizeable = true;
  /// The font of the dialog and its controls: the dialog font in this character set (1, the
  /// default set, leaves the system's choice) at this many points.
  uint8_t charset = 1;
  int32_t fontSize = 8;
  /// Reading order: 0 left to right; 1 and 2 right to left, the dialog mirrored; 3 right to
  /// left for the reading order only.
  uint8_t biDiMode = 0;
};

/// Runs a dialog modally: answers the result given to EndModalDialog, or -1 when the dialog
/// could not be shown (no display, no window). Events must outlive the call.
int32_t RunModalDialog(const DialogDesign& design, DialogEvents& events);
/// Ends the modal run of Dialog with Result once the current event has been handled.
void EndModalDialog(ControlHandle dialog, int32_t result);
/// Asks a running dialog, from any thread, to close as its close box would: the request is
/// queued for the dialog's own thread, which alone touches its windows. The POSIX stand-in has
/// no queue: its run is closed with the close box when the test's hook returns.
void RequestDialogClose(ControlHandle dialog) noexcept;

/// The outer size a dialog with a client area of 0 x 0 has (its frame and caption).
void DialogFrameSize(const DialogDesign& design, int32_t& width, int32_t& height);

/// Creates a control in Parent (the dialog or a container control); 0 on failure.
ControlHandle CreateDialogControl(ControlHandle parent, const ControlDesign& design);
/// Bounds of a control in its parent's client area, or of a dialog on the screen.
void SetControlBounds(ControlHandle control, const ControlRect& bounds);
ControlRect ControlBounds(ControlHandle control);
/// The client size of a dialog or container.
void ClientSize(ControlHandle control, int32_t& width, int32_t& height);
/// A combo box that is a drop-down list selects the entry of its list that Text names (compared
/// regardless of case), and selects none when no entry does; its text is its selected entry.
void SetControlText(ControlHandle control, std::u16string_view text);
std::u16string ControlText(ControlHandle control);
void SetControlVisible(ControlHandle control, bool visible);
void SetControlChecked(ControlHandle control, bool checked);
bool ControlChecked(ControlHandle control);
/// Replaces the drop-down list of a combo box; its edit text stays.
void SetComboItems(ControlHandle control, const std::vector<std::u16string>& items);
/// The selected entry of a combo box's list, -1 for none.
int32_t ComboItemIndex(ControlHandle control);
/// Selects entry Index (its text goes into the edit); -1 clears the selection.
void SetComboItemIndex(ControlHandle control, int32_t index);
/// The height a label's (or a check box's) text takes when it is broken into lines at Width, in
/// the control's font.
int32_t WrappedTextHeight(ControlHandle label, int32_t width);
/// Where a check box's caption begins (the box and the gap after it), and the room a wrapped
/// caption keeps above and below its lines, at 96 pixels per inch.
constexpr int32_t kCheckBoxTextIndent = 20;
constexpr int32_t kCheckBoxTextMargin = 6;
/// How a running dialog is shown: mirrored (right to left), and its font's character set.
bool DialogMirrored(ControlHandle dialog);
uint8_t DialogFontCharset(ControlHandle dialog);
/// The button that Enter presses.
void SetDefaultButton(ControlHandle dialog, int32_t id);
void FocusControl(ControlHandle control);

/// The rectangle of all monitors together; false when it cannot be read.
bool VirtualDesktopRect(ControlRect& rect);
/// The screen rectangle of a window of the host (OWNERFORM); false when it cannot be read.
bool WindowScreenRect(uintptr_t window, ControlRect& rect);
/// The rectangle of the monitor nearest to the mouse cursor; false when there is none.
bool MonitorNearCursorRect(ControlRect& rect);

/// The three screen queries above. Tests replace them to place dialogs on a screen of their
/// choosing; a null member selects the system's query. The POSIX stand-in's screen is one
/// monitor of 1024 x 768 at 0, 0 and knows no host windows.
struct ScreenCalls {
  bool (*virtualDesktop)(ControlRect& rect);
  bool (*windowRect)(uintptr_t window, ControlRect& rect);
  bool (*monitorNearCursor)(ControlRect& rect);
};
/// Installs Calls and answers the ones before.
ScreenCalls SetScreenCalls(const ScreenCalls& calls) noexcept;
/// The system's queries, one set per platform.
bool SystemVirtualDesktopRect(ControlRect& rect);
bool SystemWindowScreenRect(uintptr_t window, ControlRect& rect);
bool SystemMonitorNearCursorRect(ControlRect& rect);

/// A test's stand-in for the user of a modal run. It is called on the dialog's thread once the
/// dialog has been created and shown, and acts on it through the toolkit; the run ends when it
/// called EndModalDialog. When it returns without doing so (or there is no hook, on POSIX) the
/// close box is used for it. On Windows a run without a hook waits for its user (or for another
/// thread that drives the dialog through window messages).
using ModalRunHook = std::function<void(ControlHandle dialog)>;
/// Installs Hook for the calling process and answers the one before.
ModalRunHook SetModalRunHook(ModalRunHook hook);

} // namespace platform
