// A small stand-in toolkit for the translator tests: controls with the published properties the
// translator reaches by name (Caption, Hint, Text, Items, ItemIndex, HelpContext, Font,
// ParentFont, BiDiMode), and class names of the toolkit's families (TCustomForm, TCustomEdit,
// TCustomComboBox) that the translator recognises.
#pragma once

#include "rtl/component.h"
#include "rtl/string_list.h"
#include "rtl/wide_strings.h"

#include <cstdint>
#include <string>

class TTestFont : public TPersistent {
public:
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int32_t Charset = 1;
  int32_t Size = 8;
};

class TTestControl : public TComponent {
public:
  explicit TTestControl(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  /// A child named Name with Caption, owned by Owner.
  template <class T = TTestControl>
  static T* Make(TComponent* owner, const char* name, const char* caption = "") {
    auto* c = new T(owner);
    c->SetName(name);
    c->Caption = caption;
    return c;
  }

  std::string Caption;
  std::u16string Hint;
  std::string Text;
  int32_t HelpContext = 0;
  bool ParentFont = true;
  int32_t BiDiMode = 0;
  TTestFont Font;
  TTntStrings Lines;
};

// The families, under the ancestor names the translator knows.
#define AGG_TEST_CLASS(Name, Base)                                                                 \
  class Name : public Base {                                                                       \
  public:                                                                                          \
    using Base::Base;                                                                              \
    static const rtl::MetaClass& StaticClass();                                                    \
    const rtl::MetaClass& ClassType() const override { return StaticClass(); }                     \
  };
AGG_TEST_CLASS(TTestCustomForm, TTestControl)
AGG_TEST_CLASS(TTestForm, TTestCustomForm)
AGG_TEST_CLASS(TTestCustomEdit, TTestControl)
AGG_TEST_CLASS(TTestEdit, TTestCustomEdit)
AGG_TEST_CLASS(TTestCustomComboBox, TTestControl)
#undef AGG_TEST_CLASS

class TTestComboBox : public TTestCustomComboBox {
public:
  using TTestCustomComboBox::TTestCustomComboBox;
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  TStringList Items;
  int32_t ItemIndex = -1;
};
