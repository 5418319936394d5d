// The second dialog of the aggregation module's options, opened by the button "Advanced..." of
// the options dialog: releasing incomplete rows, keeping pending rows from one run of the
// application to the next, the row age limit, the value lifetime, the variable that carries the
// packets' own time with the bound on its jumps, grouping by a variable with the bound on open
// groups, and how each configured variable merges the values it receives more than once, with
// the separator of joined texts. Its controls, texts and layout come from the form resource
// TfrmAdvanced. It belongs to the options dialog that opened it: it loads its controls
// from the module's settings when it is created, Cancel takes back what was changed in one run,
// and what was confirmed with OK is saved only when the options dialog itself closes with OK.
#pragma once

#include "ui/form.h"
#include "ui/std_controls.h"

#include <array>
#include <string>

class TfrmAdvanced : public TForm {
public:
  /// A dialog owned by Options (whose module supplies the parser items and the settings), its
  /// form resource read and its creation handler run.
  static TfrmAdvanced* Create(TForm* options);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Creation handler: prepares the dialog through the frame (button row, translation, loading
  /// the controls), fills the sorted lists of cbTimeVar and cbGroupBy with the parser items and
  /// each merge box's
  /// list with the strategies, and shows a loaded strategy by its name ("Last" for a text that
  /// names none, which is what the engine makes of it).
  void FormCreate(TObject* sender);
  /// Resize handler: the time and group variable boxes fill their rows and the form is exactly
  /// as high as its content.
  void FormResize(TObject* sender);
  /// Show handler: names each merge row after the variable that the options dialog holds now,
  /// then fits the form as FormResize does.
  void FormShow(TObject* sender);

  /// Runs the dialog over the window Owner (centred over it); after Cancel, or any way out but
  /// OK, the controls hold again what they held before. Answers the modal result.
  TModalResult Edit(uintptr_t owner);
  /// True once a run ended with OK: the controls then hold values to be saved.
  bool Confirmed() const noexcept { return confirmed_; }

  TLabel* lblAdvanced = nullptr;
  TCheckBox* chkPartial = nullptr;
  TCheckBox* chkKeepPending = nullptr;
  TPanel* panAgeLimit = nullptr;
  TPanel* panLifetime = nullptr;
  TPanel* panTimeVar = nullptr;
  TPanel* panTimeJump = nullptr;
  TPanel* panGroupBy = nullptr;
  TPanel* panMaxGroups = nullptr;
  TSpinEdit* spAgeLimit = nullptr;
  TSpinEdit* spLifetime = nullptr;
  TComboBox* cbTimeVar = nullptr;
  TSpinEdit* spTimeJump = nullptr;
  TComboBox* cbGroupBy = nullptr;
  TSpinEdit* spMaxGroups = nullptr;
  TLabel* lblMerge = nullptr;
  TLabel* lblMerge1 = nullptr;
  TLabel* lblMerge2 = nullptr;
  TLabel* lblMerge3 = nullptr;
  TLabel* lblMerge4 = nullptr;
  TLabel* lblMerge5 = nullptr;
  TLabel* lblMerge6 = nullptr;
  TLabel* lblMerge7 = nullptr;
  TLabel* lblMerge8 = nullptr;
  TComboBox* cbMerge1 = nullptr;
  TComboBox* cbMerge2 = nullptr;
  TComboBox* cbMerge3 = nullptr;
  TComboBox* cbMerge4 = nullptr;
  TComboBox* cbMerge5 = nullptr;
  TComboBox* cbMerge6 = nullptr;
  TComboBox* cbMerge7 = nullptr;
  TComboBox* cbMerge8 = nullptr;
  TPanel* panSeparator = nullptr;
  TEdit* edSeparator = nullptr;
  TPanel* pBot = nullptr;
  /// lblMerge1 .. lblMerge8 and cbMerge1 .. cbMerge8 by index 0 .. 7.
  std::array<TLabel*, 8> MergeLabels() const {
    return {lblMerge1, lblMerge2, lblMerge3, lblMerge4, lblMerge5, lblMerge6, lblMerge7, lblMerge8};
  }
  std::array<TComboBox*, 8> Merges() const {
    return {cbMerge1, cbMerge2, cbMerge3, cbMerge4, cbMerge5, cbMerge6, cbMerge7, cbMerge8};
  }

  explicit TfrmAdvanced(TComponent* owner);

private:
  /// What the controls hold, taken before a run and given back after one without OK.
  struct Values {
    bool partial = false;
    bool keepPending = false;
    double ageLimit = 0;
    double lifetime = 0;
    std::u16string timeVar;
    double timeJump = 0;
    std::u16string groupBy;
    double maxGroups = 0;
    std::array<std::u16string, 8> merges;
    std::u16string separator;
  };
  Values Take() const;
  void Give(const Values& values);

  bool confirmed_ = false;
  /// The translated caption of a merge row whose variable is blank, "%d" standing for its
  /// number.
  std::u16string notSetCaption_;
};

/// Makes the dialog's classes known to form resources. Later calls do nothing.
void RegisterAdvancedFormClasses();
