// The standard controls of the options dialogs: label, bevel, panel, group box, button, drop-down
// combo box (editable, or a list to pick from), one-line edit, numeric spin box and check box.
// Texts are wide strings; the drop-down lists are 8-bit string lists in the system code page, like
// every list the translator walks.
#pragma once

#include "rtl/string_list.h"
#include "ui/controls.h"

enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };
extern const rtl::EnumType kTextLayoutType;
enum TBevelShape : uint8_t {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
extern const rtl::EnumType kBevelShapeType;
enum TPanelBevel : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
extern const rtl::EnumType kPanelBevelType;
enum TComboBoxStyle : uint8_t { csDropDown, csDropDownList };
extern const rtl::EnumType kComboBoxStyleType;

/// Static text; with WordWrap it breaks into lines at its width.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  bool WordWrap = false;
  /// A word-wrapped label grows or shrinks to the height its text takes at its width, once it
  /// has its system control (which knows the font), and again whenever its width or its text
  /// changes.
  bool AutoSize = true;
  TTextLayout Layout = tlTop;

  void SetCaption(const std::u16string& caption) override;

protected:
  platform::ControlDesign Design() const override;
  void WriteState() override;
  void Resize() override;

private:
  void FitText();
};

/// A line along one edge, or a spacer that only takes room.
class TBevel : public TControl {
public:
  explicit TBevel(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TBevelShape Shape = bsBox;

protected:
  platform::ControlDesign Design() const override;
};

/// A container; its caption is not shown.
class TPanel : public TWinControl {
public:
  explicit TPanel(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TPanelBevel BevelOuter = bvRaised;

protected:
  platform::ControlDesign Design() const override;
};

/// A container with a titled frame; its aligned controls share the area inside the frame.
class TGroupBox : public TWinControl {
public:
  explicit TGroupBox(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// The inside of the frame: below the title, two pixels from the other edges.
  platform::ControlRect AlignRect() const override;
  static constexpr int32_t kTitleInset = 15;
  static constexpr int32_t kFrameInset = 2;

protected:
  platform::ControlDesign Design() const override;
};

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TModalResult ModalResult = mrNone;
  /// Enter presses the default button.
  bool Default = false;
  /// Esc presses the cancel button.
  bool Cancel = false;
  TUiNotifyEvent OnClick;

  /// Fires OnClick, then hands ModalResult (when set) to the form, which closes.
  void Click();

protected:
  platform::ControlDesign Design() const override;
};

/// The base of the combo boxes (the settings store's ItemIndex handler recognises it by name).
class TCustomComboBox : public TWinControl {
public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// The edit text: what the user typed or picked.
  std::u16string Text() const { return Caption(); }
  void SetText(const std::u16string& text) { SetCaption(text); }
  std::u16string Caption() const override;

  TStringList* Items() const noexcept { return items_; }
  /// Sends the list to the system control (after changes to Items while the form runs).
  void ItemsChanged();
  /// Adds a line to the list: at its sorted place when Sorted, else at the end.
  int32_t AddItem(std::string_view line);
  int32_t ItemIndex() const;
  void SetItemIndex(int32_t index);
  /// Keeps the list sorted by text regardless of case; equal lines all stay.
  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool sorted);
  int32_t ItemHeight = 13;
  /// csDropDownList: the text is always an entry of the list (or empty); text given that names
  /// no entry selects none while the system control exists.
  TComboBoxStyle Style = csDropDown;

protected:
  platform::ControlDesign Design() const override;
  void ReadState() override;
  void WriteState() override;

private:
  void Sort();

  TStringList* items_;
  int32_t itemIndex_ = -1;
  bool sorted_ = false;
};

/// A drop-down combo box, editable unless its Style is csDropDownList.
class TComboBox : public TCustomComboBox {
public:
  explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
};

/// A one-line text edit.
class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  std::u16string Text() const { return Caption(); }
  void SetText(const std::u16string& text) { SetCaption(text); }
  std::u16string Caption() const override;

protected:
  platform::ControlDesign Design() const override;
  void ReadState() override;
};

/// A numeric edit with up/down buttons. It shows and takes whole numbers; MinValue and MaxValue
/// both 0 set no limits.
class TSpinEdit : public TWinControl {
public:
  explicit TSpinEdit(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// The value the edit shows; text that is no number keeps the value before it, a number
  /// outside the limits is brought within them.
  double Value() const;
  void SetValue(double value);
  std::u16string Text() const { return Caption(); }
  void SetText(const std::u16string& text) { SetCaption(text); }
  std::u16string Caption() const override;
  void SetCaption(const std::u16string& text) override;

  double MinValue = 0;
  double MaxValue = 0;
  double Increment = 1;

protected:
  platform::ControlDesign Design() const override;
  void ReadState() override;

private:
  double Limit(double value) const;
  double ValueOf(const std::u16string& text) const;

  double value_ = 0;
};

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  bool Checked() const;
  void SetChecked(bool checked);
  /// The caption breaks into lines at the width beside the box; the check box then grows to the
  /// height its lines take (never below the height it was designed with) and shrinks back.
  bool WordWrap = false;

  void SetCaption(const std::u16string& caption) override;

protected:
  platform::ControlDesign Design() const override;
  void ReadState() override;
  void WriteState() override;
  void Resize() override;

private:
  void FitText();

  bool checked_ = false;
  /// The designed height, taken when the text is first fitted.
  int32_t designHeight_ = -1;
};
