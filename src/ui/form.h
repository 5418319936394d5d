// Forms: the top-level windows of the toolkit, shown as modal dialogs.
//
// A form's bounds are its outer rectangle on the screen; its client area is what the frame and
// the caption leave. ShowModal creates the dialog and the system controls of everything on the
// form, fires OnShow, and runs until a button with a modal result is pressed, Esc presses the
// cancel button, or the close box is used; then OnClose runs while the controls still answer
// (its Action caNone keeps the form open), and ShowModal answers the modal result.
#pragma once

#include "ui/controls.h"

#include <atomic>
#include <optional>
#include <thread>

enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
using TCloseEvent = rtl::Event<void(TObject* sender, TCloseAction& action)>;

/// The buttons of the caption bar: bit 0 biSystemMenu, 1 biMinimize, 2 biMaximize, 3 biHelp.
using TBorderIcons = uint32_t;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;
extern const rtl::EnumType kBorderIconType;

class TButton;

/// A form could not be shown (no display, or the system refused the dialog).
class EFormError : public rtl::Exception {
public:
  using Exception::Exception;
};

class TForm : public TWinControl {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t Left() const override;
  int32_t Top() const override;
  int32_t Width() const override;
  int32_t Height() const override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  int32_t ClientWidth() const override;
  int32_t ClientHeight() const override;

  TModalResult ModalResult() const noexcept { return modalResult_; }
  /// While the form runs modally a result other than mrNone closes it.
  void SetModalResult(TModalResult result);
  /// Runs the form as a modal dialog over OwnerWindow and answers its modal result. Raises
  /// EFormError when the dialog cannot be shown.
  TModalResult ShowModal();
  bool Showing() const noexcept { return running_; }
  /// True on every thread but the one that created the form: a form and its windows belong to
  /// the thread that creates it, and only that thread may touch them.
  bool ForeignThread() const noexcept { return std::this_thread::get_id() != thread_; }

  /// The window of the host that owns the dialog (disabled while it runs); 0 for none.
  uintptr_t OwnerWindow = 0;
  TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
  std::string HelpFile;

  TUiNotifyEvent OnCreate;
  TUiNotifyEvent OnShow;
  TCloseEvent OnClose;

  /// What a user does, routed as the system's dialog routes it: press a button, press Enter
  /// (the default button), press Esc (the cancel button), use the close box.
  void PressEnter();
  void PressEscape();
  void CloseBox();
  /// F1 while Control has the focus (null: the form): the application's help opens the topic of
  /// the nearest help context, the control's own, else its containers', else the form's.
  void PressHelp(TControl* control);
  /// Centres the form over Area now and again when it is shown, with the size it is shown at
  /// (its handlers may still change its height until then). Moving the form meanwhile ends it.
  void CentreOver(const platform::ControlRect& area);

  /// Asks the form, from any thread, to close as its close box would: a running dialog closes
  /// once its own thread handles the request; a form not shown yet closes as soon as it is.
  void RequestClose() noexcept;

  /// The control with identifier Id in the running dialog, or null.
  TControl* FindControlById(int32_t id) const;

  /// Fires OnCreate; classes that read a form resource call it once the resource is read.
  void DoCreate();

protected:
  void Loaded() override;

private:
  class Events;
  friend class Events;

  platform::DialogDesign MakeDesign() const;
  void FrameSize(int32_t& width, int32_t& height) const;
  void CloseModal();
  void RealignAll(TWinControl& container);
  TButton* FindButton(bool isDefault) const;

  void ApplyCentring();

  std::optional<platform::ControlRect> centreArea_;
  TModalResult modalResult_ = mrNone;
  bool running_ = false;
  bool closing_ = false;
  /// What another thread may read: the running dialog's window, and a close asked for.
  std::atomic<platform::ControlHandle> window_{0};
  std::atomic<bool> closeRequested_{false};
  const std::thread::id thread_ = std::this_thread::get_id();
};

/// Asks every form whose chain of owners reaches Root (its dialogs, and the dialogs those own)
/// to close; callable from any thread, see TForm::RequestClose. Answers how many were asked.
int32_t RequestCloseOfFormsOf(const TComponent* root) noexcept;
