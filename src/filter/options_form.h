// The aggregation module's options dialog: eight boxes for the variable names, the aggregation
// timeout and the reset option, and the button to the advanced options. Its controls, texts and
// layout come from the form resource TfrmOption; the options-form frame loads the controls from the
// module's settings when the dialog is created and saves them when it closes.
#pragma once

#include "ui/form.h"
#include "ui/std_controls.h"

#include <array>

class TzetPlugin;
class TfrmAdvanced;

class TfrmOption : public TForm {
public:
  /// A dialog owned by Module (which supplies the parser items and the settings), its form
  /// resource read and its creation handler run.
  static TfrmOption* Create(TzetPlugin* module);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Creation handler: prepares the dialog through the frame (save on close, button rows) and
  /// fills var1's sorted list with the parser items, copied into var2 .. var8.
  void FormCreate(TObject* sender);
  /// Resize and show handler: splits the group box between the two columns and makes the form
  /// exactly as high as its content.
  void FormResize(TObject* sender);
  /// The button "Advanced...": runs the advanced dialog (created on the first press, kept
  /// while this dialog lives, so that what was confirmed there stays until this one closes).
  void btnAdvancedClick(TObject* sender);
  /// The advanced dialog, once it has been opened; null before.
  TfrmAdvanced* Advanced() const noexcept { return advanced_; }

  TLabel* Label1 = nullptr;
  TGroupBox* gbParams = nullptr;
  TPanel* pan01 = nullptr;
  TPanel* pan02 = nullptr;
  TBevel* sp2 = nullptr;
  TPanel* pan1 = nullptr;
  TSpinEdit* spTimeout = nullptr;
  TCheckBox* chkNoReset = nullptr;
  TPanel* pBot = nullptr;
  TComboBox* var1 = nullptr;
  TComboBox* var2 = nullptr;
  TComboBox* var3 = nullptr;
  TComboBox* var4 = nullptr;
  TComboBox* var5 = nullptr;
  TComboBox* var6 = nullptr;
  TComboBox* var7 = nullptr;
  TComboBox* var8 = nullptr;
  TButton* btnAdvanced = nullptr;
  /// var1 .. var8 by index 0 .. 7.
  std::array<TComboBox*, 8> Vars() const {
    return {var1, var2, var3, var4, var5, var6, var7, var8};
  }

  explicit TfrmOption(TComponent* owner);

private:
  TfrmAdvanced* advanced_ = nullptr;
};

/// Fills Box's list with the names of Module's parser items, sorted (nothing without a module).
void FillWithParserItems(TComboBox& box, TzetPlugin* module);

/// Makes the dialog's classes known to form resources. Later calls do nothing.
void RegisterOptionsFormClasses();
