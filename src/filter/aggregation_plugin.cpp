#include "filter/aggregation_plugin.h"

#include "filter/aggregation_settings.h"
#include "rtl/form_registry.h"
#include "rtl/published_builder.h"
#include "settings/string_holder.h"

TAggregationListItem::TAggregationListItem(TComponent* owner, std::string_view name)
    : Owner(owner), LowerName(rtl::AnsiString(name).Lowered()) {}

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
          .Handler("zetPluginProcessData", &T::zetPluginProcessData);
  return meta;
}

TaPlugin::~TaPlugin() = default;

void TaPlugin::LoadDesignTimeValues() {
  TzetPlugin::LoadDesignTimeValues();
  RegisterStringHolderClass();
  rtl::LoadFormResource(*this, "TaPlugin");
}

const TStringList* TaPlugin::PropertyMap() const {
  return Properties ? Properties->Strings() : nullptr;
}

void TaPlugin::zetPluginLoad(TzetPlugin*, PPluginCallRec, int32_t&) {
  Pending = std::make_unique<TzetParamsList>();
  Index.reset();
  TimeoutTracker = TzetTimeout{};
  AggregationList = std::make_unique<TThreadObjectList>(true);
  Cfg = new TDataSourceCfg(this);
  Cfg->Load();
}

void TaPlugin::zetPluginUnload(TzetPlugin*, PPluginCallRec, int32_t&) {
  // The frame lets no data call run while the last UNLOAD is under way, so nothing reads the
  // engine state freed here.
  TDataSourceCfg* cfg = Cfg;
  Cfg = nullptr;
  delete cfg;
  AggregationList.reset();
  Pending.reset();
  Index.reset();
}

void TaPlugin::zetPluginSaveSettingsNow(TzetPlugin*) {
  if (Cfg)
    Cfg->Save();
}

void TaPlugin::zetPluginLoadSettingsNow(TzetPlugin*) {
  if (Cfg)
    Cfg->Load();
}
