// The custom handler that keeps a combo box's selected item ("var1.*ItemIndex") as its index in
// decimal text, such as "2".
//
// A combo box is a component whose class is, or derives from, a class named "TCustomComboBox"
// and that publishes its selection as the ordinal property "ItemIndex" (-1: nothing selected).
// The handler reaches the index through that property only, so any control toolkit whose combo
// boxes follow these two rules is served.
#pragma once

#include "settings/custom_props.h"

class TWregComboBoxProp : public TWregCustomProp {
public:
  using TWregCustomProp::TWregCustomProp;

  /// Value := the item index as an integer, for a combo box; false for anything else.
  bool GetCustomValue(TObject* component, const std::string& name, bool forSave,
                      rtl::Variant& value) override;
  /// Sets the item index of a combo box from a decimal text ("-1" clears the selection). Empty
  /// and null values, the empty text and texts that are no decimal integer are ignored.
  void SetCustomValue(TObject* component, const std::string& name,
                      const rtl::Variant& value) override;
};

/// The class name that marks combo boxes.
inline constexpr const char* kComboBoxClassName = "TCustomComboBox";
