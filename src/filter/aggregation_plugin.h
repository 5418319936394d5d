// The aggregation module class: the frame's module base with the aggregation filter's values and
// event handlers.
#pragma once

#include "frame/plugin.h"

class TaPlugin : public TzetPlugin {
public:
  static const TzetPluginClass& ClassRef();

protected:
  void LoadDesignTimeValues() override;
};
