#include "filter/aggregation_plugin.h"

#include "filter/aggregation_grouped.h"
#include "filter/aggregation_settings.h"
#include "filter/options_form.h"
#include "rtl/form_registry.h"
#include "rtl/published_builder.h"
#include "settings/string_holder.h"

#include <memory>

TAggregationListItem::TAggregationListItem(TComponent* owner, std::string_view name)
    : Owner(owner), LowerName(rtl::AnsiString(name).Lowered()), Name(name) {}

const TzetPluginClass& TaPlugin::ClassRef() {
  static const TzetPluginClass ref{"TaPlugin", []() -> TzetPlugin* { return new TaPlugin(); }};
  return ref;
}

const rtl::MetaClass& TaPlugin::StaticClass() {
  using T = TaPlugin;
  static const rtl::MetaClass meta =
      rtl::Published<T, TzetPlugin>("TaPlugin")
          .Field("Properties", &T::Properties)
          .Handler("zetPluginLoad", &T::zetPluginLoad)
          .Handler("zetPluginUnload", &T::zetPluginUnload)
          .Handler("zetPluginSaveSettingsNow", &T::zetPluginSaveSettingsNow)
          .Handler("zetPluginLoadSettingsNow", &T::zetPluginLoadSettingsNow)
          .Handler("zetPluginProcessData", &T::zetPluginProcessData)
          .Handler("zetPluginExecuteCustomCommand", &T::zetPluginExecuteCustomCommand)
          .Handler("zetPluginShowOptionsDialog", &T::zetPluginShowOptionsDialog);
  return meta;
}

TaPlugin::~TaPlugin() = default;

void TaPlugin::LoadDesignTimeValues() {
  TzetPlugin::LoadDesignTimeValues();
  RegisterStringHolderClass();
  rtl::LoadFormResource(*this, "TaPlugin");
  // The advanced options are stored only when the user moved them off their defaults: a user
  // who never opens "Advanced..." finds the documented keys and no others.
  const TProxyCodeObject defaults(nullptr);
  const auto text = [](double value) { return rtl::Variant::Double(value).ToText(); };
  KeysStoredOnlyOffDefault = {
      {"Release partial rows", defaults.chkPartial_Checked ? "True" : "False"},
      {"Age limit", text(defaults.spAgeLimit_Value)},
      {"Value lifetime", text(defaults.spLifetime_Value)},
      {"Group by", defaults.cbGroupBy_Text},
      {"Max groups", text(defaults.spMaxGroups_Value)}};
}

const TStringList* TaPlugin::PropertyMap() const {
  return Properties ? Properties->Strings() : nullptr;
}

void TaPlugin::zetPluginLoad(TzetPlugin*, PPluginCallRec, int32_t&) {
  // Data calls may already run while the instance loads (the frame admits them as soon as the
  // first LOAD has begun). They see the engine state only once it is complete: until then they
  // fail as calls to an instance that is not loaded. Loading the settings below takes the engine
  // lock like every other user of the state.
  Pending = std::make_unique<TzetParamsList>();
  TimeoutTracker = TzetTimeout{};
  stats_.Reset();
  AggregationList = std::make_unique<TThreadObjectList>(true);
  engineReady_.store(true, std::memory_order_release);
  Cfg = new TDataSourceCfg(this);
  Cfg->Load();
}

void TaPlugin::zetPluginUnload(TzetPlugin*, PPluginCallRec, int32_t&) {
  // The frame lets no data call run while the last UNLOAD is under way, so nothing reads the
  // engine state freed here.
  engineReady_.store(false, std::memory_order_release);
  TDataSourceCfg* cfg = Cfg;
  Cfg = nullptr;
  delete cfg;
  grouped_.reset();
  AggregationList.reset();
  Pending.reset();
}

void TaPlugin::zetPluginSaveSettingsNow(TzetPlugin*) {
  if (Cfg)
    Cfg->Save();
}

void TaPlugin::zetPluginLoadSettingsNow(TzetPlugin*) {
  if (Cfg)
    Cfg->Load();
}

void TaPlugin::zetPluginShowOptionsDialog(TzetPlugin*, PPluginCallRec, bool& success) {
  // The dialog enters and leaves the module's owned components under the lock that the module's
  // translation on another thread holds while it walks them.
  struct TFree {
    TaPlugin& Module;
    void operator()(TfrmOption* form) const {
      auto lock = Module.LockOwnedComponents();
      delete form;
    }
  };
  std::unique_ptr<TfrmOption, TFree> form(nullptr, TFree{*this});
  {
    auto lock = LockOwnedComponents();
    form.reset(TfrmOption::Create(this));
  }
  form->OwnerWindow = OwnerForm;
  if (form->ShowModal() != mrOk)
    return;
  success = true;
  if (Cfg)
    Cfg->Load();
}
