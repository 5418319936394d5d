#include "filter/aggregation_settings.h"

#include "filter/aggregation_plugin.h"
#include "frame/settings_location.h"
#include "rtl/published_builder.h"

TProxyCodeObject::TProxyCodeObject(TComponent* owner) : TProxyCodeCustomObject(owner) {}

const rtl::MetaClass& TProxyCodeObject::StaticClass() {
  using T = TProxyCodeObject;
  static const rtl::MetaClass meta = [] {
    auto b = rtl::Published<T, TProxyCodeCustomObject>("TProxyCodeObject");
    b.Integer("Left", &T::Left, &T::Left)
        .Integer("Top", &T::Top, &T::Top)
        .Integer("Height", &T::Height, &T::Height)
        .Integer("Width", &T::Width, &T::Width);
    for (std::size_t i = 0; i < 8; ++i)
      b.LString(
          "var" + std::to_string(i + 1) + "_Text", [i](const T& o) { return o.Vars[i]; },
          [i](T& o, const std::string& v) { o.Vars[i] = v; });
    b.Float("spTimeout_Value", &T::spTimeout_Value, &T::spTimeout_Value)
        .Boolean("chkNoReset_Checked", &T::chkNoReset_Checked, &T::chkNoReset_Checked)
        .Boolean("chkPartial_Checked", &T::chkPartial_Checked, &T::chkPartial_Checked)
        .Float("spAgeLimit_Value", &T::spAgeLimit_Value, &T::spAgeLimit_Value)
        .Float("spLifetime_Value", &T::spLifetime_Value, &T::spLifetime_Value)
        .LString("cbGroupBy_Text", &T::cbGroupBy_Text, &T::cbGroupBy_Text)
        .Float("spMaxGroups_Value", &T::spMaxGroups_Value, &T::spMaxGroups_Value)
        .LString("edSeparator_Text", &T::edSeparator_Text, &T::edSeparator_Text)
        .LString("cbTimeVar_Text", &T::cbTimeVar_Text, &T::cbTimeVar_Text)
        .Float("spTimeJump_Value", &T::spTimeJump_Value, &T::spTimeJump_Value)
        .Boolean("chkKeepPending_Checked", &T::chkKeepPending_Checked, &T::chkKeepPending_Checked);
    for (std::size_t i = 0; i < 8; ++i)
      b.LString(
          "cbMerge" + std::to_string(i + 1) + "_Text", [i](const T& o) { return o.Merges[i]; },
          [i](T& o, const std::string& v) { o.Merges[i] = v; });
    return rtl::MetaClass(b);
  }();
  return meta;
}

TDataSourceCfg::TDataSourceCfg(TaPlugin* owner) : TProxyCodeObject(owner) {}

const rtl::MetaClass& TDataSourceCfg::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TDataSourceCfg, TProxyCodeObject>("TDataSourceCfg");
  return meta;
}

TaPlugin& TDataSourceCfg::Module() const {
  return *static_cast<TaPlugin*>(Owner());
}

void TDataSourceCfg::Load() {
  TaPlugin& module = Module();
  frame::LoadSettings(module, module.PropertyMap(), this);
  module.ApplySettings(*this);
}

void TDataSourceCfg::Save() {
  TaPlugin& module = Module();
  frame::SaveSettings(module, module.PropertyMap(), const_cast<TDataSourceCfg*>(this));
}
