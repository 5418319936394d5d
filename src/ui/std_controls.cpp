#include "ui/std_controls.h"

#include "platform/codepage.h"
#include "rtl/ansi_string.h"
#include "rtl/published_builder.h"
#include "ui/form.h"

#include <algorithm>
#include <charconv>
#include <cmath>

const rtl::EnumType kTextLayoutType("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
const rtl::EnumType kBevelShapeType("TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine",
                                                    "bsLeftLine", "bsRightLine", "bsSpacer"});
const rtl::EnumType kPanelBevelType("TPanelBevel", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
const rtl::EnumType kComboBoxStyleType("TComboBoxStyle", {"csDropDown", "csDropDownList"});

namespace {

std::vector<std::u16string> WideLines(const TStringList& lines) {
  std::vector<std::u16string> wide;
  wide.reserve(static_cast<size_t>(lines.Count()));
  for (int32_t i = 0; i < lines.Count(); ++i)
    wide.push_back(platform::AnsiToWide(lines[i]));
  return wide;
}

} // namespace

// --- TLabel --------------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  bounds_ = {0, 0, 65, 13};
}

const rtl::MetaClass& TLabel::StaticClass() {
  using T = TLabel;
  static const rtl::MetaClass meta =
      rtl::Published<T, TControl>("TLabel")
          .WString("Caption", &T::Caption, &T::SetCaption)
          .Boolean("WordWrap", &T::WordWrap, &T::WordWrap)
          .Default(false)
          .Boolean("AutoSize", &T::AutoSize, &T::AutoSize)
          .Default(true)
          .Enumeration("Layout", kTextLayoutType, &T::Layout, &T::Layout)
          .Default(tlTop);
  return meta;
}

platform::ControlDesign TLabel::Design() const {
  platform::ControlDesign design = TControl::Design();
  design.kind = platform::ControlKind::Label;
  design.wordWrap = WordWrap;
  design.centreVertically = Layout == tlCenter;
  return design;
}

void TLabel::SetCaption(const std::u16string& caption) {
  TControl::SetCaption(caption);
  FitText();
}

void TLabel::WriteState() {
  FitText();
}

void TLabel::Resize() {
  TControl::Resize();
  FitText();
}

void TLabel::FitText() {
  if (!handle_ || !AutoSize || !WordWrap)
    return;
  const int32_t height = platform::WrappedTextHeight(handle_, Width());
  if (height > 0 && height != Height())
    SetHeight(height);
}

// --- TBevel --------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TControl(owner) {
  bounds_ = {0, 0, 50, 50};
}

const rtl::MetaClass& TBevel::StaticClass() {
  using T = TBevel;
  static const rtl::MetaClass meta =
      rtl::Published<T, TControl>("TBevel")
          .Enumeration("Shape", kBevelShapeType, &T::Shape, &T::Shape)
          .Default(bsBox);
  return meta;
}

platform::ControlDesign TBevel::Design() const {
  platform::ControlDesign design = TControl::Design();
  design.kind = platform::ControlKind::Bevel;
  design.lineAtBottom = Shape == bsBottomLine;
  return design;
}

// --- TPanel --------------------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 185, 41};
}

const rtl::MetaClass& TPanel::StaticClass() {
  using T = TPanel;
  static const rtl::MetaClass meta =
      rtl::Published<T, TWinControl>("TPanel")
          .WString("Caption", &T::Caption, &T::SetCaption)
          .Enumeration("BevelOuter", kPanelBevelType, &T::BevelOuter, &T::BevelOuter)
          .Default(bvRaised);
  return meta;
}

platform::ControlDesign TPanel::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::Panel;
  design.text.clear();
  return design;
}

// --- TGroupBox -----------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 185, 105};
}

const rtl::MetaClass& TGroupBox::StaticClass() {
  using T = TGroupBox;
  static const rtl::MetaClass meta =
      rtl::Published<T, TWinControl>("TGroupBox").WString("Caption", &T::Caption, &T::SetCaption);
  return meta;
}

platform::ControlRect TGroupBox::AlignRect() const {
  platform::ControlRect r = TWinControl::AlignRect();
  r.left += kFrameInset;
  r.top += kTitleInset;
  r.width = std::max(r.width - 2 * kFrameInset, 0);
  r.height = std::max(r.height - kTitleInset - kFrameInset, 0);
  return r;
}

platform::ControlDesign TGroupBox::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::GroupBox;
  return design;
}

// --- TButton -------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 75, 25};
}

const rtl::MetaClass& TButton::StaticClass() {
  using T = TButton;
  static const rtl::MetaClass meta = rtl::Published<T, TWinControl>("TButton")
                                         .WString("Caption", &T::Caption, &T::SetCaption)
                                         .Integer("ModalResult", &T::ModalResult, &T::ModalResult)
                                         .Default(0)
                                         .Boolean("Default", &T::Default, &T::Default)
                                         .Default(false)
                                         .Boolean("Cancel", &T::Cancel, &T::Cancel)
                                         .Default(false)
                                         .Method("OnClick", &T::OnClick);
  return meta;
}

void TButton::Click() {
  if (OnClick)
    OnClick(this);
  if (ModalResult != mrNone)
    if (TForm* form = ParentForm())
      form->SetModalResult(ModalResult);
}

platform::ControlDesign TButton::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::Button;
  design.tabStop = true;
  design.defaultButton = Default;
  return design;
}

// --- TCustomComboBox -----------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(new TStringList()) {
  bounds_ = {0, 0, 145, 21};
}

TCustomComboBox::~TCustomComboBox() {
  delete items_;
}

const rtl::MetaClass& TCustomComboBox::StaticClass() {
  using T = TCustomComboBox;
  static const rtl::MetaClass meta =
      rtl::Published<T, TWinControl>("TCustomComboBox")
          .WString("Text", &T::Text, &T::SetText)
          .Object("Items", &T::Items)
          .Integer("ItemIndex", &T::ItemIndex, &T::SetItemIndex)
          .Default(-1)
          .Boolean("Sorted", &T::Sorted, &T::SetSorted)
          .Default(false)
          .Integer("ItemHeight", &T::ItemHeight, &T::ItemHeight)
          .Default(13)
          .Enumeration("Style", kComboBoxStyleType, &T::Style, &T::Style)
          .Default(csDropDown);
  return meta;
}

std::u16string TCustomComboBox::Caption() const {
  return handle_ ? platform::ControlText(handle_) : caption_;
}

void TCustomComboBox::ItemsChanged() {
  if (sorted_)
    Sort();
  if (handle_) {
    const std::u16string text = platform::ControlText(handle_);
    platform::SetComboItems(handle_, WideLines(*items_));
    platform::SetControlText(handle_, text);
  }
}

int32_t TCustomComboBox::AddItem(std::string_view line) {
  int32_t index = items_->Count();
  if (sorted_) {
    const std::string key = rtl::AnsiString(line).Lowered().Str();
    index = 0;
    while (index < items_->Count() && rtl::AnsiString((*items_)[index]).Lowered().Str() <= key)
      ++index;
  }
  items_->Insert(index, line);
  if (handle_)
    platform::SetComboItems(handle_, WideLines(*items_));
  return index;
}

int32_t TCustomComboBox::ItemIndex() const {
  return handle_ ? platform::ComboItemIndex(handle_) : itemIndex_;
}

void TCustomComboBox::SetItemIndex(int32_t index) {
  if (index < -1 || index >= items_->Count())
    index = -1;
  itemIndex_ = index;
  if (index >= 0)
    caption_ = platform::AnsiToWide((*items_)[index]);
  if (handle_)
    platform::SetComboItemIndex(handle_, index);
}

void TCustomComboBox::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_)
    ItemsChanged();
}

void TCustomComboBox::Sort() {
  std::vector<std::pair<std::string, std::string>> keyed;
  for (int32_t i = 0; i < items_->Count(); ++i)
    keyed.emplace_back(rtl::AnsiString((*items_)[i]).Lowered().Str(), (*items_)[i]);
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  items_->Clear();
  for (auto& [key, line] : keyed)
    items_->Add(line);
}

platform::ControlDesign TCustomComboBox::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::ComboBox;
  design.tabStop = true;
  design.dropDownList = Style == csDropDownList;
  return design;
}

void TCustomComboBox::WriteState() {
  platform::SetComboItems(handle_, WideLines(*items_));
  if (itemIndex_ >= 0)
    platform::SetComboItemIndex(handle_, itemIndex_);
  platform::SetControlText(handle_, caption_);
}

void TCustomComboBox::ReadState() {
  caption_ = platform::ControlText(handle_);
  itemIndex_ = platform::ComboItemIndex(handle_);
}

const rtl::MetaClass& TComboBox::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TComboBox, TCustomComboBox>("TComboBox");
  return meta;
}

// --- TEdit --------------------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 121, 21};
}

const rtl::MetaClass& TEdit::StaticClass() {
  using T = TEdit;
  static const rtl::MetaClass meta =
      rtl::Published<T, TWinControl>("TEdit").WString("Text", &T::Text, &T::SetText);
  return meta;
}

std::u16string TEdit::Caption() const {
  return handle_ ? platform::ControlText(handle_) : caption_;
}

platform::ControlDesign TEdit::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::Edit;
  design.tabStop = true;
  return design;
}

void TEdit::ReadState() {
  caption_ = platform::ControlText(handle_);
}

// --- TSpinEdit -----------------------------------------------------------------------------------

TSpinEdit::TSpinEdit(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 121, 21};
  caption_ = u"0";
}

const rtl::MetaClass& TSpinEdit::StaticClass() {
  using T = TSpinEdit;
  static const rtl::MetaClass meta = rtl::Published<T, TWinControl>("TSpinEdit")
                                         .Float("Value", &T::Value, &T::SetValue)
                                         .WString("Text", &T::Text, &T::SetText)
                                         .NotStored()
                                         .Float("MinValue", &T::MinValue, &T::MinValue)
                                         .Float("MaxValue", &T::MaxValue, &T::MaxValue)
                                         .Float("Increment", &T::Increment, &T::Increment);
  return meta;
}

double TSpinEdit::Limit(double value) const {
  if (!std::isfinite(value))
    return value_;
  if (MinValue == 0 && MaxValue == 0)
    return std::clamp(value, -2147483648.0, 2147483647.0);
  return std::clamp(value, MinValue, std::max(MinValue, MaxValue));
}

double TSpinEdit::ValueOf(const std::u16string& text) const {
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F)
      return value_;
    if (c != u' ')
      ascii.push_back(static_cast<char>(c));
  }
  if (!ascii.empty() && ascii.front() == '+')
    ascii.erase(0, 1);
  long long n = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), n);
  if (ascii.empty() || end != ascii.data() + ascii.size()) {
    return value_;
  }
  if (ec == std::errc::result_out_of_range)
    return Limit(ascii.front() == '-' ? -1e300 : 1e300);
  return Limit(static_cast<double>(n));
}

double TSpinEdit::Value() const {
  return handle_ ? ValueOf(platform::ControlText(handle_)) : value_;
}

void TSpinEdit::SetValue(double value) {
  value_ = std::trunc(Limit(value));
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, static_cast<long long>(value_));
  caption_.assign(text, end);
  if (handle_)
    platform::SetControlText(handle_, caption_);
}

std::u16string TSpinEdit::Caption() const {
  return handle_ ? platform::ControlText(handle_) : caption_;
}

void TSpinEdit::SetCaption(const std::u16string& text) {
  SetValue(ValueOf(text));
}

platform::ControlDesign TSpinEdit::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::SpinEdit;
  design.tabStop = true;
  return design;
}

void TSpinEdit::ReadState() {
  SetValue(ValueOf(platform::ControlText(handle_)));
}

// --- TCheckBox -----------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  bounds_ = {0, 0, 97, 17};
}

const rtl::MetaClass& TCheckBox::StaticClass() {
  using T = TCheckBox;
  static const rtl::MetaClass meta = rtl::Published<T, TWinControl>("TCheckBox")
                                         .WString("Caption", &T::Caption, &T::SetCaption)
                                         .Boolean("Checked", &T::Checked, &T::SetChecked)
                                         .Default(false)
                                         .Boolean("WordWrap", &T::WordWrap, &T::WordWrap)
                                         .Default(false);
  return meta;
}

bool TCheckBox::Checked() const {
  return handle_ ? platform::ControlChecked(handle_) : checked_;
}

void TCheckBox::SetChecked(bool checked) {
  checked_ = checked;
  if (handle_)
    platform::SetControlChecked(handle_, checked);
}

platform::ControlDesign TCheckBox::Design() const {
  platform::ControlDesign design = TWinControl::Design();
  design.kind = platform::ControlKind::CheckBox;
  design.tabStop = true;
  design.wordWrap = WordWrap;
  return design;
}

void TCheckBox::SetCaption(const std::u16string& caption) {
  TWinControl::SetCaption(caption);
  FitText();
}

void TCheckBox::WriteState() {
  platform::SetControlChecked(handle_, checked_);
  FitText();
}

void TCheckBox::Resize() {
  TWinControl::Resize();
  FitText();
}

void TCheckBox::FitText() {
  if (!handle_ || !WordWrap)
    return;
  if (designHeight_ < 0)
    designHeight_ = Height();
  const int32_t lines =
      platform::WrappedTextHeight(handle_, Width() - platform::kCheckBoxTextIndent);
  if (lines <= 0)
    return;
  const int32_t height = std::max(designHeight_, lines + platform::kCheckBoxTextMargin);
  if (height != Height())
    SetHeight(height);
}

void TCheckBox::ReadState() {
  checked_ = platform::ControlChecked(handle_);
}
