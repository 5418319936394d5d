// The base of settings objects. A module's settings object publishes one property per item of
// its property map, named after the item with every '.' replaced by '_' ("var1.Text" is
// published as var1_Text, "Left" as Left), of the same kind as the control property the item
// names in the options dialog. The same map then loads and saves both the dialog's controls and
// the settings object, so that what the dialog saved reads back into the settings object.
#pragma once

#include "rtl/component.h"

class TProxyCodeCustomObject : public TComponent {
public:
  explicit TProxyCodeCustomObject(TComponent* owner) : TComponent(owner) {}

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

protected:
  /// Assigning a settings object to another object copies nothing and raises no error.
  void AssignTo(TPersistent* dest) const override {}
};

/// True when Obj is a settings object, whose items resolve to mirrored property names.
bool IsSettingsObject(const TObject* obj) noexcept;
