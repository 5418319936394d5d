// The second dialog of the aggregation module's options, opened by the button "Advanced..." of
// the options dialog: releasing incomplete rows, the row age limit, the value lifetime, grouping
// by a variable with the bound on open groups. Its controls, texts and layout come from the form
// resource TfrmAdvanced. It belongs to the options dialog that opened it: it loads its controls
// from the module's settings when it is created, Cancel takes back what was changed in one run,
// and what was confirmed with OK is saved only when the options dialog itself closes with OK.
#pragma once

#include "ui/form.h"
#include "ui/std_controls.h"

#include <string>

class TfrmAdvanced : public TForm {
public:
  /// A dialog owned by Options (whose module supplies the parser items and the settings), its
  /// form resource read and its creation handler run.
  static TfrmAdvanced* Create(TForm* options);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Creation handler: prepares the dialog through the frame (button row, translation, loading
  /// the controls) and fills cbGroupBy's sorted list with the parser items.
  void FormCreate(TObject* sender);
  /// Resize and show handler: the group box fills the row and the form is exactly as high as
  /// its content.
  void FormResize(TObject* sender);

  /// Runs the dialog over the window Owner (centred over it); after Cancel, or any way out but
  /// OK, the controls hold again what they held before. Answers the modal result.
  TModalResult Edit(uintptr_t owner);
  /// True once a run ended with OK: the controls then hold values to be saved.
  bool Confirmed() const noexcept { return confirmed_; }

  TLabel* lblAdvanced = nullptr;
  TCheckBox* chkPartial = nullptr;
  TPanel* panAgeLimit = nullptr;
  TPanel* panLifetime = nullptr;
  TPanel* panGroupBy = nullptr;
  TPanel* panMaxGroups = nullptr;
  TSpinEdit* spAgeLimit = nullptr;
  TSpinEdit* spLifetime = nullptr;
  TComboBox* cbGroupBy = nullptr;
  TSpinEdit* spMaxGroups = nullptr;
  TPanel* pBot = nullptr;

  explicit TfrmAdvanced(TComponent* owner);

private:
  /// What the controls hold, taken before a run and given back after one without OK.
  struct Values {
    bool partial = false;
    double ageLimit = 0;
    double lifetime = 0;
    std::u16string groupBy;
    double maxGroups = 0;
  };
  Values Take() const;
  void Give(const Values& values);

  bool confirmed_ = false;
};

/// Makes the dialog's classes known to form resources. Later calls do nothing.
void RegisterAdvancedFormClasses();
