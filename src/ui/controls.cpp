#include "ui/controls.h"

#include "rtl/published_builder.h"
#include "ui/form.h"

#include <algorithm>

const rtl::EnumType kAlignType("TAlign",
                               {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
const rtl::EnumType kAnchorKindType("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
const rtl::EnumType kBiDiModeType("TBiDiMode",
                                  {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoRightAlign",
                                   "bdRightToLeftReadingOnly"});

// --- TFont ---------------------------------------------------------------------------------------

const rtl::MetaClass& TFont::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TFont, TPersistent>("TFont")
                                         .Integer("Charset", &TFont::Charset, &TFont::Charset)
                                         .Default(1)
                                         .Integer("Size", &TFont::Size, &TFont::Size)
                                         .Default(8);
  return meta;
}

// --- TSizeConstraints ----------------------------------------------------------------------------

const rtl::MetaClass& TSizeConstraints::StaticClass() {
  using T = TSizeConstraints;
  static const rtl::MetaClass meta = rtl::Published<T, TPersistent>("TSizeConstraints")
                                         .Integer("MaxHeight", &T::MaxHeight, &T::MaxHeight)
                                         .Default(0)
                                         .Integer("MaxWidth", &T::MaxWidth, &T::MaxWidth)
                                         .Default(0)
                                         .Integer("MinHeight", &T::MinHeight, &T::MinHeight)
                                         .Default(0)
                                         .Integer("MinWidth", &T::MinWidth, &T::MinWidth)
                                         .Default(0);
  return meta;
}

void TSizeConstraints::Apply(int32_t& width, int32_t& height) const {
  if (MaxWidth > 0 && width > MaxWidth)
    width = MaxWidth;
  if (MinWidth > 0 && width < MinWidth)
    width = MinWidth;
  if (MaxHeight > 0 && height > MaxHeight)
    height = MaxHeight;
  if (MinHeight > 0 && height < MinHeight)
    height = MinHeight;
}

// --- TControl ------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  SetParent(nullptr);
}

const rtl::MetaClass& TControl::StaticClass() {
  using T = TControl;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TControl")
          .Integer("Left", &T::Left, &T::SetLeft)
          .Integer("Top", &T::Top, &T::SetTop)
          .Integer("Width", &T::Width, &T::SetWidth)
          .Integer("Height", &T::Height, &T::SetHeight)
          .Enumeration("Align", kAlignType, &T::Align, &T::SetAlign)
          .Default(alNone)
          .Set("Anchors", kAnchorKindType, &T::Anchors, &T::SetAnchors)
          .Default(akLeft | akTop)
          .Object("Constraints", [](const T& c) { return const_cast<T&>(c).Constraints(); })
          .Object("Font", [](const T& c) { return const_cast<T&>(c).Font(); })
          .Boolean("ParentFont", &T::ParentFont, &T::ParentFont)
          .Default(true)
          .Enumeration("BiDiMode", kBiDiModeType, &T::BiDiMode, &T::BiDiMode)
          .Default(bdLeftToRight)
          .LString("Hint", &T::Hint, &T::SetHint)
          .Integer("HelpContext", &T::HelpContext, &T::SetHelpContext)
          .Default(0)
          .Boolean("Visible", &T::Visible, &T::SetVisible)
          .Default(true)
          .Method("OnResize", &T::OnResize);
  return meta;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent_ == parent)
    return;
  if (parent_)
    parent_->RemoveControl(this);
  parent_ = parent;
  if (parent_)
    parent_->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const {
  return parent_;
}

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* container = dynamic_cast<TWinControl*>(parent))
    SetParent(container);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  constraints_.Apply(width, height);
  width = std::max(width, 0);
  height = std::max(height, 0);
  const bool sizeChanged = width != bounds_.width || height != bounds_.height;
  const bool moved = sizeChanged || left != bounds_.left || top != bounds_.top;
  bounds_ = {left, top, width, height};
  if (!moved)
    return;
  UpdateNativeBounds();
  if (parent_ && align_ != alNone && !parent_->aligning_)
    parent_->Realign();
  if (sizeChanged)
    Resize();
}

void TControl::SetAlign(TAlign align) {
  if (align_ == align)
    return;
  align_ = align;
  if (parent_ && !parent_->aligning_)
    parent_->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible)
    return;
  visible_ = visible;
  if (handle_)
    platform::SetControlVisible(handle_, visible);
  if (parent_ && align_ != alNone)
    parent_->Realign();
}

void TControl::SetCaption(const std::u16string& caption) {
  caption_ = caption;
  if (handle_)
    platform::SetControlText(handle_, caption);
}

const TFont& TControl::ShownFont() const noexcept {
  return ParentFont && parent_ ? parent_->ShownFont() : font_;
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->parent_)
    c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::Resize() {
  if (OnResize && !IsLoading())
    OnResize(this);
}

platform::ControlDesign TControl::Design() const {
  platform::ControlDesign design;
  design.text = caption_;
  design.visible = visible_;
  return design;
}

void TControl::UpdateNativeBounds() {
  if (!handle_ || !parent_)
    return;
  int32_t x = 0, y = 0;
  parent_->ClientOrigin(x, y);
  platform::SetControlBounds(handle_,
                             {bounds_.left + x, bounds_.top + y, bounds_.width, bounds_.height});
}

void TControl::CreateHandle(platform::ControlHandle parent, int32_t& nextId) {
  platform::ControlDesign design = Design();
  id_ = nextId++;
  design.id = id_;
  int32_t x = 0, y = 0;
  if (parent_)
    parent_->ClientOrigin(x, y);
  design.bounds = {bounds_.left + x, bounds_.top + y, bounds_.width, bounds_.height};
  handle_ = platform::CreateDialogControl(parent, design);
  if (handle_)
    WriteState();
}

void TControl::DestroyHandle() {
  if (handle_)
    ReadState();
  handle_ = 0;
}

// --- TWinControl ---------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Controls that stay alive (they may have another owner) leave this container.
  while (!controls_.empty())
    controls_.back()->SetParent(nullptr);
}

const rtl::MetaClass& TWinControl::StaticClass() {
  using T = TWinControl;
  static const rtl::MetaClass meta =
      rtl::Published<T, TControl>("TWinControl")
          .Integer("TabOrder", &T::TabOrder, &T::SetTabOrder)
          .Default(-1)
          .Integer("BorderWidth", &T::BorderWidth, &T::SetBorderWidth)
          .Default(0)
          .Integer("ClientWidth", &T::ClientWidth, &T::SetClientWidth)
          .NotStored()
          .Integer("ClientHeight", &T::ClientHeight, &T::SetClientHeight)
          .NotStored();
  return meta;
}

void TWinControl::SetTabOrder(int32_t order) {
  tabOrder_ = order;
}

void TWinControl::SetBorderWidth(int32_t value) {
  borderWidth_ = std::max(value, 0);
  Realign();
}

void TWinControl::SetClientWidth(int32_t value) {
  SetWidth(Width() - ClientWidth() + value);
}

void TWinControl::SetClientHeight(int32_t value) {
  SetHeight(Height() - ClientHeight() + value);
}

platform::ControlRect TWinControl::AlignRect() const {
  const int32_t b = borderWidth_;
  return {b, b, std::max(ClientWidth() - 2 * b, 0), std::max(ClientHeight() - 2 * b, 0)};
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  if (control->align_ != alNone)
    Realign();
}

void TWinControl::RemoveControl(TControl* control) {
  std::erase(controls_, control);
  if (control->align_ != alNone && !IsDestroying())
    Realign();
}

void TWinControl::Realign() {
  if (aligning_ || IsLoading())
    return;
  aligning_ = true;
  try {
    platform::ControlRect r = AlignRect();
    auto place = [&](TAlign align) {
      std::vector<TControl*> list;
      for (TControl* c : controls_)
        if (c->align_ == align && c->visible_)
          list.push_back(c);
      // Aligned controls keep the order of their positions; equal positions keep the order in
      // which they came into the container.
      std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
        switch (align) {
        case alTop:
          return a->bounds_.top < b->bounds_.top;
        case alBottom:
          return a->bounds_.top + a->bounds_.height > b->bounds_.top + b->bounds_.height;
        case alLeft:
          return a->bounds_.left < b->bounds_.left;
        case alRight:
          return a->bounds_.left + a->bounds_.width > b->bounds_.left + b->bounds_.width;
        default:
          return false;
        }
      });
      for (TControl* c : list) {
        switch (align) {
        case alTop:
          c->SetBounds(r.left, r.top, r.width, c->Height());
          r.top += c->Height();
          r.height -= c->Height();
          break;
        case alBottom:
          c->SetBounds(r.left, r.top + r.height - c->Height(), r.width, c->Height());
          r.height -= c->Height();
          break;
        case alLeft:
          c->SetBounds(r.left, r.top, c->Width(), r.height);
          r.left += c->Width();
          r.width -= c->Width();
          break;
        case alRight:
          c->SetBounds(r.left + r.width - c->Width(), r.top, c->Width(), r.height);
          r.width -= c->Width();
          break;
        default:
          c->SetBounds(r.left, r.top, r.width, r.height);
          break;
        }
        r.width = std::max(r.width, 0);
        r.height = std::max(r.height, 0);
      }
    };
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
      place(a);

    // Anchored controls follow the edges they are anchored to.
    const int32_t w = ClientWidth(), h = ClientHeight();
    if (anchorWidth_ >= 0) {
      const int32_t dx = w - anchorWidth_, dy = h - anchorHeight_;
      for (TControl* c : controls_) {
        if (c->align_ != alNone || (dx == 0 && dy == 0))
          continue;
        platform::ControlRect b = c->bounds_;
        if (c->anchors_ & akRight) {
          if (c->anchors_ & akLeft)
            b.width += dx;
          else
            b.left += dx;
        }
        if (c->anchors_ & akBottom) {
          if (c->anchors_ & akTop)
            b.height += dy;
          else
            b.top += dy;
        }
        c->SetBounds(b.left, b.top, b.width, b.height);
      }
    }
    anchorWidth_ = w;
    anchorHeight_ = h;
  } catch (...) {
    aligning_ = false;
    throw;
  }
  aligning_ = false;
}

void TWinControl::Resize() {
  Realign();
  TControl::Resize();
}

std::vector<TWinControl*> TWinControl::TabList() const {
  std::vector<TWinControl*> list;
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c))
      list.push_back(w);
  std::stable_sort(list.begin(), list.end(), [](TWinControl* a, TWinControl* b) {
    auto key = [](TWinControl* w) { return w->tabOrder_ < 0 ? INT32_MAX : w->tabOrder_; };
    return key(a) < key(b);
  });
  return list;
}

void TWinControl::CreateHandle(platform::ControlHandle parent, int32_t& nextId) {
  TControl::CreateHandle(parent, nextId);
  if (!handle_)
    return;
  // Non-windowed children first (they take no part in Tab), then the windowed ones in tab order,
  // which is the order the system's dialog keys follow.
  for (TControl* c : controls_)
    if (!c->IsWindowed())
      c->CreateHandle(handle_, nextId);
  for (TWinControl* w : TabList())
    w->CreateHandle(handle_, nextId);
}

void TWinControl::DestroyHandle() {
  for (TControl* c : controls_)
    c->DestroyHandle();
  TControl::DestroyHandle();
}
