#include "settings_test_classes.h"

#include "rtl/published_builder.h"

const rtl::EnumType& TestModeType() {
  static const rtl::EnumType type("TTestMode", {"tmOff", "tmSlow", "tmFast"});
  return type;
}

namespace {
const rtl::EnumType& TestOptionType() {
  static const rtl::EnumType type("TTestOption", {"toOne", "toTwo"});
  return type;
}
} // namespace

const rtl::MetaClass& TTestFont::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TTestFont, TPersistent>("TTestFont")
                                         .Integer("Size", &TTestFont::size, &TTestFont::size);
  return meta;
}

void TTestCustomComboBox::SetItemIndex(int32_t index) {
  itemIndex_ = index >= 0 && index < items_.Count() ? index : -1;
  if (itemIndex_ >= 0)
    text_ = items_[itemIndex_];
}

const rtl::MetaClass& TTestCustomComboBox::StaticClass() {
  using T = TTestCustomComboBox;
  static const rtl::MetaClass meta = rtl::Published<T, TComponent>("TCustomComboBox")
                                         .Object("Items", &T::Items)
                                         .Integer("ItemIndex", &T::ItemIndex, &T::SetItemIndex)
                                         .LString("Text", &T::Text, &T::SetText);
  return meta;
}

const rtl::MetaClass& TTestComboBox::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TTestComboBox, TTestCustomComboBox>("TTestComboBox");
  return meta;
}

const rtl::MetaClass& TTestListBox::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TTestListBox, TComponent>("TTestListBox")
          .Integer("ItemIndex", &TTestListBox::itemIndex, &TTestListBox::itemIndex);
  return meta;
}

const rtl::MetaClass& TTestSpinEdit::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TTestSpinEdit, TComponent>("TTestSpinEdit")
          .Float("Value", &TTestSpinEdit::value, &TTestSpinEdit::value);
  return meta;
}

const rtl::MetaClass& TTestCheckBox::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TTestCheckBox, TComponent>("TTestCheckBox")
          .Boolean("Checked", &TTestCheckBox::checked, &TTestCheckBox::checked);
  return meta;
}

const rtl::MetaClass& TTestMemo::StaticClass() {
  using T = TTestMemo;
  static const rtl::MetaClass meta = rtl::Published<T, TComponent>("TTestMemo")
                                         .Object("Lines", &T::Lines)
                                         .Object("Font", &T::Font)
                                         .Object("Buddy", &T::buddy, &T::buddy)
                                         .Object("DockSite", &T::dockSite, &T::dockSite)
                                         .Enumeration("Mode", TestModeType(), &T::mode, &T::mode)
                                         .Char("Mark", &T::mark, &T::mark)
                                         .WChar("WideMark", &T::wideMark, &T::wideMark)
                                         .Int64("Big", &T::big, &T::big)
                                         .WString("Hint", &T::hint, &T::hint)
                                         .Variant("Extra", &T::extra, &T::extra)
                                         .Set("Options", TestOptionType(), &T::options, &T::options)
                                         .Integer("Serial", &T::serial);
  return meta;
}

TTestDialog::TTestDialog(TComponent* owner) : TComponent(owner) {
  SetName("Dialog");
  var1 = new TTestComboBox(this);
  var1->SetName("var1");
  var2 = new TTestComboBox(this);
  var2->SetName("var2");
  spTimeout = new TTestSpinEdit(this);
  spTimeout->SetName("spTimeout");
  chkNoReset = new TTestCheckBox(this);
  chkNoReset->SetName("chkNoReset");
  memo = new TTestMemo(this);
  memo->SetName("memo");
}

const rtl::MetaClass& TTestDialog::StaticClass() {
  using T = TTestDialog;
  static const rtl::MetaClass meta = rtl::Published<T, TComponent>("TTestDialog")
                                         .Integer("Left", &T::left, &T::left)
                                         .Integer("Top", &T::top, &T::top)
                                         .Integer("Width", &T::width, &T::width);
  return meta;
}

const rtl::MetaClass& TTestSettings::StaticClass() {
  using T = TTestSettings;
  static const rtl::MetaClass meta =
      rtl::Published<T, TProxyCodeCustomObject>("TTestSettings")
          .Integer("Left", &T::Left, &T::Left)
          .Integer("Top", &T::Top, &T::Top)
          .Integer("Height", &T::Height, &T::Height)
          .Integer("Width", &T::Width, &T::Width)
          .LString("var1_Text", &T::var1_Text, &T::var1_Text)
          .LString("var2_Text", &T::var2_Text, &T::var2_Text)
          .Float("spTimeout_Value", &T::spTimeout_Value, &T::spTimeout_Value)
          .Boolean("chkNoReset_Checked", &T::chkNoReset_Checked, &T::chkNoReset_Checked)
          .Enumeration("memo_Mode", TestModeType(), &T::memo_Mode, &T::memo_Mode)
          .Char("memo_Mark", &T::memo_Mark, &T::memo_Mark)
          .WChar("memo_WideMark", &T::memo_WideMark, &T::memo_WideMark)
          .Int64("memo_Big", &T::memo_Big, &T::memo_Big)
          .WString("memo_Hint", &T::memo_Hint, &T::memo_Hint)
          .Integer("memo_Font_Size", &T::memo_Font_Size, &T::memo_Font_Size)
          .Object("memo_Lines", &T::memoLines);
  return meta;
}
