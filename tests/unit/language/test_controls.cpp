#include "test_controls.h"

#include "rtl/published_builder.h"

const rtl::MetaClass& TTestFont::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TTestFont, TPersistent>("TTestFont")
          .Integer("Charset", &TTestFont::Charset, &TTestFont::Charset)
          .Integer("Size", &TTestFont::Size, &TTestFont::Size);
  return meta;
}

const rtl::MetaClass& TTestControl::StaticClass() {
  using T = TTestControl;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TTestControl")
          .LString("Caption", &T::Caption, &T::Caption)
          .WString("Hint", &T::Hint, &T::Hint)
          .LString("Text", &T::Text, &T::Text)
          .Integer("HelpContext", &T::HelpContext, &T::HelpContext)
          .Boolean("ParentFont", &T::ParentFont, &T::ParentFont)
          .Integer("BiDiMode", &T::BiDiMode, &T::BiDiMode)
          .Object("Font", [](const T& t) { return const_cast<TTestFont*>(&t.Font); })
          .Object("Lines", [](const T& t) { return const_cast<TTntStrings*>(&t.Lines); });
  return meta;
}

#define AGG_TEST_META(Name, Base, MetaName)                                                        \
  const rtl::MetaClass& Name::StaticClass() {                                                      \
    static const rtl::MetaClass meta = rtl::Published<Name, Base>(MetaName);                       \
    return meta;                                                                                   \
  }
AGG_TEST_META(TTestCustomForm, TTestControl, "TCustomForm")
AGG_TEST_META(TTestForm, TTestCustomForm, "TTestForm")
AGG_TEST_META(TTestCustomEdit, TTestControl, "TCustomEdit")
AGG_TEST_META(TTestEdit, TTestCustomEdit, "TTestEdit")
AGG_TEST_META(TTestCustomComboBox, TTestControl, "TCustomComboBox")
#undef AGG_TEST_META

const rtl::MetaClass& TTestComboBox::StaticClass() {
  using T = TTestComboBox;
  static const rtl::MetaClass meta =
      rtl::Published<T, TTestCustomComboBox>("TTestComboBox")
          .Object("Items", [](const T& t) { return const_cast<TStringList*>(&t.Items); })
          .Integer("ItemIndex", &T::ItemIndex, &T::ItemIndex);
  return meta;
}
