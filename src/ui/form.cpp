#include "ui/form.h"

#include "rtl/published_builder.h"
#include "support/application.h"
#include "ui/std_controls.h"

#include <algorithm>

const rtl::EnumType kBorderIconType("TBorderIcon",
                                    {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});

// What the running dialog reports, turned into the form's events.
class TForm::Events : public platform::DialogEvents {
public:
  explicit Events(TForm& form) : form_(form) {}

  void Created(platform::ControlHandle dialog) override {
    form_.handle_ = dialog;
    form_.window_.store(dialog);
    int32_t nextId = kFirstControlId;
    for (int32_t i = 0; i < form_.ControlCount(); ++i)
      if (!form_.Controls(i)->IsWindowed())
        form_.Controls(i)->CreateHandle(dialog, nextId);
    for (TWinControl* w : form_.TabList())
      w->CreateHandle(dialog, nextId);
    if (TButton* button = form_.FindButton(true))
      platform::SetDefaultButton(dialog, button->ControlId());
    form_.RealignAll(form_);
    if (form_.OnShow)
      form_.OnShow(&form_);
    if (TWinControl* first = FirstTabStop(form_))
      platform::FocusControl(first->Handle());
    form_.ApplyCentring();
    // A close asked for before the window existed; one asked for later arrives as a message.
    if (form_.closeRequested_.load())
      form_.CloseBox();
  }

  void Resized(platform::ControlHandle dialog) override {
    const platform::ControlRect b = platform::ControlBounds(dialog);
    const bool sizeChanged = b.width != form_.bounds_.width || b.height != form_.bounds_.height;
    form_.bounds_ = b;
    if (sizeChanged)
      form_.Resize();
  }

  void Clicked(platform::ControlHandle, int32_t id) override {
    if (auto* button = dynamic_cast<TButton*>(form_.FindControlById(id)))
      button->Click();
  }

  void CancelRequested(platform::ControlHandle, bool closeBox) override {
    // A request that arrives after the form has decided to close (two ways out at once).
    if (form_.modalResult_ != mrNone)
      return;
    if (closeBox)
      form_.CloseBox();
    else
      form_.PressEscape();
  }

  void HelpRequested(platform::ControlHandle, int32_t controlId) override {
    form_.PressHelp(controlId ? form_.FindControlById(controlId) : nullptr);
  }

  void SizeLimits(int32_t& minWidth, int32_t& minHeight, int32_t& maxWidth,
                  int32_t& maxHeight) override {
    const TSizeConstraints& c = *form_.Constraints();
    minWidth = c.MinWidth;
    minHeight = c.MinHeight;
    maxWidth = c.MaxWidth;
    maxHeight = c.MaxHeight;
  }

  void Destroying(platform::ControlHandle dialog) override {
    form_.window_.store(0);
    form_.bounds_ = platform::ControlBounds(dialog);
    form_.DestroyHandle();
  }

private:
  static constexpr int32_t kFirstControlId = 100;

  static TWinControl* FirstTabStop(TWinControl& container) {
    for (TWinControl* w : container.TabList()) {
      if (!w->Visible())
        continue;
      if (w->ControlCount() == 0 && !dynamic_cast<TPanel*>(w) && !dynamic_cast<TGroupBox*>(w))
        return w;
      if (TWinControl* inner = FirstTabStop(*w))
        return inner;
    }
    return nullptr;
  }

  TForm& form_;
};

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 320, 240};
  // A form has no parent whose font it could show.
  ParentFont = false;
  support::TheApplication().AddForm(this);
}

TForm::~TForm() {
  support::TheApplication().RemoveForm(this);
}

void TForm::CentreOver(const platform::ControlRect& area) {
  centreArea_.reset();
  const platform::ControlRect kept = area;
  SetBounds(kept.left + (kept.width - Width()) / 2, kept.top + (kept.height - Height()) / 2,
            Width(), Height());
  centreArea_ = kept;
}

void TForm::ApplyCentring() {
  if (!centreArea_)
    return;
  const platform::ControlRect area = *centreArea_;
  CentreOver(area);
}

void TForm::RequestClose() noexcept {
  closeRequested_.store(true);
  if (const platform::ControlHandle window = window_.load())
    platform::RequestDialogClose(window);
}

int32_t RequestCloseOfFormsOf(const TComponent* root) noexcept {
  if (!root)
    return 0;
  int32_t asked = 0;
  // The application's list of forms, of every thread: a form in it is alive while it is walked.
  support::TheApplication().ForEachForm([&](TComponent& component) {
    auto* form = dynamic_cast<TForm*>(&component);
    for (const TComponent* c = component.Owner(); form && c; c = c->Owner())
      if (c == root) {
        form->RequestClose();
        ++asked;
        return;
      }
  });
  return asked;
}

const rtl::MetaClass& TForm::StaticClass() {
  using T = TForm;
  static const rtl::MetaClass meta =
      rtl::Published<T, TWinControl>("TForm")
          .WString("Caption", &T::Caption, &T::SetCaption)
          .Set("BorderIcons", kBorderIconType, &T::BorderIcons, &T::BorderIcons)
          .Default(biSystemMenu | biMinimize | biMaximize)
          .LString("HelpFile", &T::HelpFile, &T::HelpFile)
          .Integer("ModalResult", &T::ModalResult, &T::SetModalResult)
          .NotStored()
          .Method("OnCreate", &T::OnCreate)
          .Method("OnShow", &T::OnShow)
          .Method("OnClose", &T::OnClose);
  return meta;
}

int32_t TForm::Left() const {
  return handle_ ? platform::ControlBounds(handle_).left : bounds_.left;
}

int32_t TForm::Top() const {
  return handle_ ? platform::ControlBounds(handle_).top : bounds_.top;
}

int32_t TForm::Width() const {
  return bounds_.width;
}

int32_t TForm::Height() const {
  return bounds_.height;
}

void TForm::FrameSize(int32_t& width, int32_t& height) const {
  platform::DialogFrameSize(MakeDesign(), width, height);
}

int32_t TForm::ClientWidth() const {
  if (handle_) {
    int32_t w = 0, h = 0;
    platform::ClientSize(handle_, w, h);
    return w;
  }
  int32_t fw = 0, fh = 0;
  FrameSize(fw, fh);
  return std::max(bounds_.width - fw, 0);
}

int32_t TForm::ClientHeight() const {
  if (handle_) {
    int32_t w = 0, h = 0;
    platform::ClientSize(handle_, w, h);
    return h;
  }
  int32_t fw = 0, fh = 0;
  FrameSize(fw, fh);
  return std::max(bounds_.height - fh, 0);
}

void TForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (left != bounds_.left || top != bounds_.top)
    centreArea_.reset();
  Constraints()->Apply(width, height);
  const bool sizeChanged = width != bounds_.width || height != bounds_.height;
  bounds_ = {left, top, width, height};
  if (handle_)
    platform::SetControlBounds(handle_, bounds_);
  if (sizeChanged)
    Resize();
}

void TForm::SetModalResult(TModalResult result) {
  modalResult_ = result;
  if (running_ && handle_ && result != mrNone)
    CloseModal();
}

void TForm::CloseModal() {
  if (closing_)
    return;
  closing_ = true;
  TCloseAction action = caHide;
  try {
    if (OnClose)
      OnClose(this, action);
  } catch (...) {
    closing_ = false;
    throw;
  }
  closing_ = false;
  if (action == caNone) {
    modalResult_ = mrNone;
    return;
  }
  platform::EndModalDialog(handle_, modalResult_);
}

platform::DialogDesign TForm::MakeDesign() const {
  platform::DialogDesign design;
  design.caption = caption_;
  design.bounds = bounds_;
  design.owner = OwnerWindow;
  design.helpButton = (BorderIcons & biHelp) != 0;
  design.sizeable = true;
  const TFont& font = ShownFont();
  design.charset = static_cast<uint8_t>(font.Charset);
  design.fontSize = font.Size;
  design.biDiMode = BiDiMode;
  return design;
}

TModalResult TForm::ShowModal() {
  if (running_)
    throw EFormError("The form " + Name() + " is already showing");
  modalResult_ = mrNone;
  running_ = true;
  Events events(*this);
  int32_t result = -1;
  try {
    result = platform::RunModalDialog(MakeDesign(), events);
  } catch (...) {
    running_ = false;
    if (handle_)
      DestroyHandle();
    throw;
  }
  running_ = false;
  if (handle_)
    DestroyHandle();
  if (result < 0)
    throw EFormError("The dialog " + Name() + " could not be shown");
  if (modalResult_ == mrNone)
    modalResult_ = result == mrNone ? mrCancel : result;
  return modalResult_;
}

TButton* TForm::FindButton(bool isDefault) const {
  // Buttons anywhere on the form, in the order the form owns its components.
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* b = dynamic_cast<TButton*>(Components(i)))
      if (b->Visible() && (isDefault ? b->Default : b->Cancel))
        return b;
  return nullptr;
}

void TForm::PressEnter() {
  if (TButton* b = FindButton(true))
    b->Click();
}

void TForm::PressEscape() {
  if (TButton* b = FindButton(false))
    b->Click();
}

void TForm::CloseBox() {
  SetModalResult(mrCancel);
}

void TForm::PressHelp(TControl* control) {
  int32_t context = 0;
  for (TControl* c = control; c && context == 0; c = c->Parent())
    context = c->HelpContext();
  if (context == 0)
    context = HelpContext();
  if (context != 0)
    support::TheApplication().HelpCommand(support::kHelpContext, context);
}

TControl* TForm::FindControlById(int32_t id) const {
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TControl*>(Components(i)))
      if (c->Handle() && c->ControlId() == id)
        return c;
  return nullptr;
}

void TForm::DoCreate() {
  if (OnCreate)
    OnCreate(this);
}

void TForm::Loaded() {
  TWinControl::Loaded();
  RealignAll(*this);
}

void TForm::RealignAll(TWinControl& container) {
  container.Realign();
  for (int32_t i = 0; i < container.ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(container.Controls(i)))
      RealignAll(*w);
}
