// Controls on the component model: the visual classes of the options dialogs.
//
// A control is a component with a parent (the container it sits in; a form resource nests it
// there), bounds relative to its parent's client area, an alignment and anchors, and the published
// properties that form resources, the property map and the translator reach by name. Windowed
// controls (TWinControl) contain other controls and arrange the aligned ones: top-aligned controls
// stack from the top in their order, bottom-aligned ones from the bottom, left-aligned ones from
// the left in the rest, and a client-aligned control fills what remains. BorderWidth keeps a
// margin inside a container that alignment leaves free.
//
// The state lives in the objects. While a form runs modally (ui/form.h) every windowed control
// also has a system control (platform/dialog_window.h): its texts, check states and selections
// are then read from and written to that control, so that what the user typed is what the
// properties answer.
#pragma once

#include "platform/dialog_window.h"
#include "rtl/component.h"
#include "rtl/published.h"
#include "rtl/published_event.h"

#include <cstdint>
#include <string>
#include <vector>

class TForm;
class TWinControl;

/// Sender of a control's plain events (resize, show, click, create).
using TUiNotifyEvent = rtl::Event<void(TObject* sender)>;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
extern const rtl::EnumType kAlignType;

/// Anchor bits: bit 0 akLeft, 1 akTop, 2 akRight, 3 akBottom.
using TAnchors = uint32_t;
constexpr TAnchors akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;
extern const rtl::EnumType kAnchorKindType;

/// Modal results of forms and buttons.
using TModalResult = int32_t;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2;

/// Minimum and maximum sizes of a control; 0 is no limit.
class TSizeConstraints : public TPersistent {
public:
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t MinWidth = 0;
  int32_t MinHeight = 0;
  int32_t MaxWidth = 0;
  int32_t MaxHeight = 0;

  /// Width and Height limited by the constraints.
  void Apply(int32_t& width, int32_t& height) const;
};

/// The font of a control's text: the dialog's font (8 points) in character set Charset (1, the
/// default set, leaves the system's choice) at Size points.
class TFont : public TPersistent {
public:
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t Charset = 1;
  int32_t Size = 8;
};

/// Reading order: left to right, right to left (the dialog mirrored), right to left without
/// the alignment changed, right to left for the reading order only.
enum TBiDiMode : uint8_t {
  bdLeftToRight,
  bdRightToLeft,
  bdRightToLeftNoRightAlign,
  bdRightToLeftReadingOnly
};
extern const rtl::EnumType kBiDiModeType;

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TWinControl* Parent() const noexcept { return parent_; }
  /// Moves the control into Parent (null takes it out), at the end of Parent's controls.
  void SetParent(TWinControl* parent);
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

  virtual int32_t Left() const { return bounds_.left; }
  virtual int32_t Top() const { return bounds_.top; }
  virtual int32_t Width() const { return bounds_.width; }
  virtual int32_t Height() const { return bounds_.height; }
  void SetLeft(int32_t v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int32_t v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int32_t v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int32_t v) { SetBounds(Left(), Top(), Width(), v); }
  /// Moves and sizes the control (sizes limited by Constraints), realigns its parent when an
  /// aligned control changed, and fires OnResize when the size changed.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  platform::ControlRect BoundsRect() const { return {Left(), Top(), Width(), Height()}; }

  TAlign Align() const noexcept { return align_; }
  void SetAlign(TAlign align);
  TAnchors Anchors() const noexcept { return anchors_; }
  void SetAnchors(TAnchors anchors) noexcept { anchors_ = anchors; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);

  /// The control's text: a caption for labels, buttons and containers, the edit text of boxes.
  virtual std::u16string Caption() const { return caption_; }
  virtual void SetCaption(const std::u16string& caption);
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  int32_t HelpContext() const noexcept { return helpContext_; }
  void SetHelpContext(int32_t value) noexcept { helpContext_ = value; }
  /// The control's own font; with ParentFont set the control shows its parent's font instead.
  TFont* Font() noexcept { return &font_; }
  /// The font the control's text is shown in: its parent's with ParentFont, else its own.
  const TFont& ShownFont() const noexcept;
  bool ParentFont = true;
  TBiDiMode BiDiMode = bdLeftToRight;
  TSizeConstraints* Constraints() noexcept { return &constraints_; }
  const TSizeConstraints* Constraints() const noexcept { return &constraints_; }

  /// The form the control sits on (the topmost parent when it is a form), or null.
  TForm* ParentForm() const;
  /// True for controls that contain others and become system controls while a form runs.
  virtual bool IsWindowed() const { return false; }

  TUiNotifyEvent OnResize;

  /// What the user-interface toolkit needs while the form runs: the system control, its
  /// identifier in the dialog, and the transfer of the state to and from it.
  platform::ControlHandle Handle() const noexcept { return handle_; }
  int32_t ControlId() const noexcept { return id_; }
  /// Creates the system control (and those of the children) inside Parent's system control.
  virtual void CreateHandle(platform::ControlHandle parent, int32_t& nextId);
  /// Reads the state back from the system control and forgets it (and the children's).
  virtual void DestroyHandle();

protected:
  /// The description of the system control; windowed kinds override.
  virtual platform::ControlDesign Design() const;
  /// The state kept in the object is now to be read from the system control (Handle still set).
  virtual void ReadState() {}
  /// The system control was just created; push the state that its description does not carry.
  virtual void WriteState() {}
  /// Pushes the bounds to the system control, offset by the parent's border.
  void UpdateNativeBounds();
  virtual void Resize();

  platform::ControlRect bounds_;
  std::u16string caption_;
  platform::ControlHandle handle_ = 0;
  int32_t id_ = 0;

private:
  friend class TWinControl;

  TWinControl* parent_ = nullptr;
  TAlign align_ = alNone;
  TAnchors anchors_ = akLeft | akTop;
  bool visible_ = true;
  std::string hint_;
  int32_t helpContext_ = 0;
  TSizeConstraints constraints_;
  TFont font_;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  bool IsWindowed() const override { return true; }

  int32_t ControlCount() const noexcept { return static_cast<int32_t>(controls_.size()); }
  TControl* Controls(int32_t index) const { return controls_.at(static_cast<size_t>(index)); }

  int32_t TabOrder() const noexcept { return tabOrder_; }
  /// Puts the control at Order among its parent's windowed controls (clamped).
  void SetTabOrder(int32_t order);
  int32_t BorderWidth() const noexcept { return borderWidth_; }
  void SetBorderWidth(int32_t value);

  /// The client area's size: the control's size for plain containers.
  virtual int32_t ClientWidth() const { return Width(); }
  virtual int32_t ClientHeight() const { return Height(); }
  void SetClientWidth(int32_t value);
  void SetClientHeight(int32_t value);
  /// The part of the client area that aligned controls share.
  virtual platform::ControlRect AlignRect() const;
  /// Arranges the aligned and anchored controls.
  void Realign();

  void CreateHandle(platform::ControlHandle parent, int32_t& nextId) override;
  void DestroyHandle() override;
  /// The windowed children in tab order.
  std::vector<TWinControl*> TabList() const;

  /// Where children's coordinates begin inside the system control; dialogs and plain containers
  /// start at their corner.
  virtual void ClientOrigin(int32_t& x, int32_t& y) const {
    x = 0;
    y = 0;
  }

protected:
  void Resize() override;

private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  std::vector<TControl*> controls_;
  int32_t tabOrder_ = -1;
  int32_t borderWidth_ = 0;
  /// The client size anchors were last applied at.
  int32_t anchorWidth_ = -1;
  int32_t anchorHeight_ = -1;
  bool aligning_ = false;
};

/// Registers every control class with the class registry, so that form resources create them.
void RegisterControlClasses();
