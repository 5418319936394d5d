#include "filter/aggregation_plugin.h"

namespace {
TzetPlugin* NewAggregationInstance() {
  return new TaPlugin();
}
} // namespace

const TzetPluginClass& TaPlugin::ClassRef() {
  static const TzetPluginClass ref{"TaPlugin", &NewAggregationInstance};
  return ref;
}

void TaPlugin::LoadDesignTimeValues() {
  TzetPlugin::LoadDesignTimeValues();
  Description = "Aggregation";
  LogTitle = "Aggregation";
  ModuleType = ModuleTypeBit(mttFilter);
  IsMultiThreadSupported = true;
  MinVersion = 4.0f;
  MsgNoData = "No data for processing";
  MsgWriteComplete = "Data have been processed successfully";
  MsgWriteCompleteError = "Data have been processed with errors";
}
