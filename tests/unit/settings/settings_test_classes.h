// Small stand-ins for the targets of a property map: a dialog that owns controls (combo boxes,
// a spin box, a check box, a memo with a font) and a settings object that mirrors the controls'
// properties under names with '.' replaced by '_'.
#pragma once

#include "rtl/component.h"
#include "rtl/published.h"
#include "rtl/string_list.h"
#include "rtl/variant.h"
#include "settings/proxy_code_custom.h"

#include <cstdint>
#include <string>

enum TTestMode { tmOff, tmSlow, tmFast };
const rtl::EnumType& TestModeType();

class TTestFont : public TPersistent {
public:
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int32_t size = 8;
};

/// The combo box class of a control toolkit: what the ItemIndex handler looks for.
class TTestCustomComboBox : public TComponent {
public:
  explicit TTestCustomComboBox(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TStringList* Items() const { return const_cast<TStringList*>(&items_); }
  int32_t ItemIndex() const { return itemIndex_; }
  /// An index outside the items clears the selection, as a combo box does.
  void SetItemIndex(int32_t index);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text) { text_ = text; }

private:
  TStringList items_;
  int32_t itemIndex_ = -1;
  std::string text_;
};

class TTestComboBox : public TTestCustomComboBox {
public:
  using TTestCustomComboBox::TTestCustomComboBox;
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
};

/// Looks like a combo box but is none: the handler must leave it alone.
class TTestListBox : public TComponent {
public:
  explicit TTestListBox(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int32_t itemIndex = -1;
};

class TTestSpinEdit : public TComponent {
public:
  explicit TTestSpinEdit(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  double value = 0;
};

class TTestCheckBox : public TComponent {
public:
  explicit TTestCheckBox(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  bool checked = false;
};

/// A control with every other kind a map may reach.
class TTestMemo : public TComponent {
public:
  explicit TTestMemo(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TStringList* Lines() const { return const_cast<TStringList*>(&lines_); }
  TTestFont* Font() const { return const_cast<TTestFont*>(&font_); }
  TComponent* buddy = nullptr;
  TComponent* dockSite = nullptr;
  TTestMode mode = tmOff;
  char mark = '-';
  char16_t wideMark = u'-';
  int64_t big = 0;
  std::u16string hint;
  rtl::Variant extra;
  uint32_t options = 0;
  int32_t serial = 7;

private:
  TStringList lines_;
  TTestFont font_;
};

/// The options dialog: var1, var2, spTimeout, chkNoReset and memo.
class TTestDialog : public TComponent {
public:
  explicit TTestDialog(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t left = 0, top = 0, width = 0;
  TTestComboBox* var1;
  TTestComboBox* var2;
  TTestSpinEdit* spTimeout;
  TTestCheckBox* chkNoReset;
  TTestMemo* memo;
};

/// The settings object that mirrors the dialog.
class TTestSettings : public TProxyCodeCustomObject {
public:
  explicit TTestSettings(TComponent* owner) : TProxyCodeCustomObject(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TStringList* memoLines() const { return const_cast<TStringList*>(&memoLines_); }

  int32_t Left = 314, Top = 184, Height = 300, Width = 389;
  std::string var1_Text, var2_Text;
  double spTimeout_Value = 0;
  bool chkNoReset_Checked = false;
  TTestMode memo_Mode = tmOff;
  char memo_Mark = '-';
  char16_t memo_WideMark = u'-';
  int64_t memo_Big = 0;
  std::u16string memo_Hint;
  int32_t memo_Font_Size = 8;

private:
  TStringList memoLines_;
};
