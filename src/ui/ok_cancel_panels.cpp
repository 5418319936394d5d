#include "ui/ok_cancel_panels.h"

#include "rtl/published.h"
#include "rtl/published_builder.h"
#include "ui/std_controls.h"

#include <algorithm>

namespace {

constexpr int32_t kPanelHeight = 50;
constexpr int32_t kBevelHeight = 9;
constexpr int32_t kButtonHeight = 25;
constexpr int32_t kButtonWidth = 75;
constexpr int32_t kGap = 4;

// The hint's row alignment; false when the hint marks no row.
bool RowAlignment(const std::string& hint, uint8_t& alignment) {
  if (rtl::SameName(hint, "OkCancel"))
    alignment = TOkCancelOptions::kCentre;
  else if (rtl::SameName(hint, "OkCancelRight"))
    alignment = TOkCancelOptions::kRight;
  else if (rtl::SameName(hint, "OkCancelLeft"))
    alignment = TOkCancelOptions::kLeft;
  else
    return false;
  return true;
}

TButton* MakeButton(TForm& form, TWinControl& panel, const char* name, const char16_t* caption,
                    int32_t top, TModalResult result, int32_t tabOrder) {
  auto* button = new TButton(&form);
  // A second row on the same form cannot take the names again; its buttons stay unnamed.
  if (!form.FindComponent(name))
    button->SetName(name);
  button->SetParent(&panel);
  button->SetBounds(button->Left(), top, kButtonWidth, kButtonHeight);
  button->SetCaption(caption);
  button->ModalResult = result;
  button->SetTabOrder(tabOrder);
  return button;
}

} // namespace

const rtl::MetaClass& TOkCancelOptions::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TOkCancelOptions, TzetStrHolder>("TOkCancelOptions");
  return meta;
}

void SetUpOkCancelPanels(TForm& form) {
  const int32_t count = form.ComponentCount();
  for (int32_t i = 0; i < count; ++i) {
    auto* panel = dynamic_cast<TWinControl*>(form.Components(i));
    if (!panel || panel->Name().rfind("__", 0) != 0)
      continue;
    uint8_t alignment = 0;
    if (!RowAlignment(panel->Hint(), alignment))
      continue;
    SetUpOkCancelPanel(form, *panel, alignment);
    panel->SetHint("");
  }
}

TOkCancelOptions* SetUpOkCancelPanel(TForm& form, TWinControl& panel, uint8_t alignment) {
  auto* row = new TOkCancelOptions(&form);
  row->Alignment = alignment;
  row->Panel = &panel;
  // The container's Tag identifies its row object by the object's place among the form's
  // components (a 32-bit Tag cannot hold a reference on 64-bit systems).
  panel.SetTag(row->ComponentIndex());

  TStringList& list = *row->Strings();
  for (int32_t i = 0; i < form.ComponentCount(); ++i) {
    auto* control = dynamic_cast<TWinControl*>(form.Components(i));
    if (control && control->Parent() == &panel)
      list.AddObject("", control);
  }
  panel.SetHeight(kPanelHeight);
  if (dynamic_cast<TPanel*>(&panel))
    panel.OnResize = TUiNotifyEvent(&LayoutOkCancelPanel);

  auto* bevel = new TBevel(&form);
  bevel->SetParent(&panel);
  bevel->SetBounds(0, 0, bevel->Width(), kBevelHeight);
  bevel->SetAlign(alTop);
  bevel->Shape = bsBottomLine;

  const int32_t top = bevel->Height() + (panel.Height() - bevel->Height() - kButtonHeight) / 2;
  TButton* ok = MakeButton(form, panel, "btnOK", u"OK", top, mrOk, 0);
  list.AddObject("", ok);
  TButton* cancel = MakeButton(form, panel, "btnCancel", u"Cancel", top, mrCancel, 1);
  cancel->Cancel = true;
  // Enter cancels: the OK button must be pressed on purpose.
  cancel->Default = true;
  list.AddObject("", cancel);
  list.AddObject("", bevel);
  LayoutOkCancelPanel(&panel);
  return row;
}

TOkCancelOptions* OkCancelOptionsOf(const TWinControl& panel) {
  TComponent* owner = panel.Owner();
  if (!owner)
    return nullptr;
  const int32_t index = panel.Tag();
  if (index >= 0 && index < owner->ComponentCount())
    if (auto* row = dynamic_cast<TOkCancelOptions*>(owner->Components(index)))
      if (row->Panel == &panel)
        return row;
  return nullptr;
}

void LayoutOkCancelPanel(TObject* sender) {
  auto* panel = dynamic_cast<TWinControl*>(sender);
  TOkCancelOptions* row = panel ? OkCancelOptionsOf(*panel) : nullptr;
  if (!row)
    return;
  const TStringList& list = *row->Strings();
  const int32_t n = list.Count() - 1;
  if (n < 0)
    return;
  auto* bevel = dynamic_cast<TControl*>(list.Objects(n));
  const int32_t bevelHeight = bevel ? bevel->Height() : 0;
  int32_t maxHeight = 0, sum = 0;
  for (int32_t i = 0; i < n; ++i) {
    auto* c = dynamic_cast<TControl*>(list.Objects(i));
    if (!c)
      continue;
    maxHeight = std::max(maxHeight, c->Height());
    if (c->Anchors() != akLeft)
      sum += c->Width() + kGap;
  }
  const int32_t top = bevelHeight + (panel->ClientHeight() - maxHeight - bevelHeight) / 2;
  int32_t x = kGap;
  if (row->Alignment == TOkCancelOptions::kRight)
    x = panel->ClientWidth() - sum - kGap;
  else if (row->Alignment == TOkCancelOptions::kCentre)
    x = (panel->ClientWidth() - sum) / 2;
  for (int32_t i = 0; i < n; ++i) {
    auto* c = dynamic_cast<TControl*>(list.Objects(i));
    if (!c)
      continue;
    if (c->Anchors() != akLeft) {
      c->SetBounds(x, top, c->Width(), c->Height());
      x += c->Width() + kGap;
    } else {
      c->SetBounds(c->Left(), top, c->Width(), c->Height());
    }
  }
}
