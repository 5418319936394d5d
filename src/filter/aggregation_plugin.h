// The aggregation module class: the frame's handlers around the aggregation engine. It keeps the
// settings, the configured variables, whose list's exclusive lock is the engine lock, and the
// engine, and reads the engine's counters out by name.
#pragma once

#include "data/params_list.h"
#include "data/thread_object_list.h"
#include "filter/aggregation_engine.h"
#include "filter/aggregation_variables.h"
#include "frame/plugin.h"

#include <atomic>
#include <memory>
#include <string>

class TDataSourceCfg;
class TProxyCodeObject;
class TzetStrHolder;

class TaPlugin : public TzetPlugin {
public:
  static const TzetPluginClass& ClassRef();
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  ~TaPlugin() override;

  /// The property map: the lines of the Properties string holder (null without one).
  const TStringList* PropertyMap() const;

  /// Rebuilds the configured variables and the timeout from a loaded settings object and
  /// discards the pending row and the marks.
  void ApplySettings(const TProxyCodeObject& settings);
  /// Empties the pending row and clears all marks (under the engine lock).
  void ResetAggregation();

  // Event handlers, attached by name from the module's form resource.
  void zetPluginLoad(TzetPlugin* sender, PPluginCallRec rec, int32_t& result);
  void zetPluginUnload(TzetPlugin* sender, PPluginCallRec rec, int32_t& result);
  void zetPluginSaveSettingsNow(TzetPlugin* sender);
  void zetPluginLoadSettingsNow(TzetPlugin* sender);
  void zetPluginProcessData(TzetPlugin* sender, PPluginCallRec rec, int32_t& result);
  /// "RESET-STATS": sets the counters to zero and the last reason to "".
  void zetPluginExecuteCustomCommand(TzetPlugin* sender, const std::string& command,
                                     PPluginCallRec rec, int32_t& result);
  /// Runs the options dialog modally; after OK the settings are reloaded, so that the engine
  /// takes the new variables over.
  void zetPluginShowOptionsDialog(TzetPlugin* sender, PPluginCallRec rec, bool& success);
  /// The engine's CheckInvariants, under the engine lock; true when not loaded.
  bool CheckEngineInvariants();

  TzetStrHolder* Properties = nullptr;
  TDataSourceCfg* Cfg = nullptr;
  std::unique_ptr<TThreadObjectList> AggregationList;
  /// Exists while the instance is loaded; used under the engine lock.
  std::unique_ptr<TAggregationEngine> Engine;

protected:
  TaPlugin() = default;
  void LoadDesignTimeValues() override;
  /// "Stats.Packets", "Stats.Rows", "Stats.Partial", "Stats.Discarded", "Stats.Misfits",
  /// "Stats.Groups" and "Stats.LastReason", read under the engine lock.
  bool GetModuleNamedProperty(std::string_view name, rtl::Variant& value) override;

private:
  /// With "Keep pending rows": writes the engine's pending state to the state file beside the
  /// settings (at the last UNLOAD, or at the library's end without one), and takes it up again
  /// at LOAD (the file is removed then). A failure, or a file that does not fit, is said in one
  /// host-log line and changes nothing else.
  void SavePendingRows() noexcept;
  void RestorePendingRows() noexcept;
  std::string PendingRowsPath() const;

  /// Items, arrays and names of the output rows and the pending rows, kept between data calls
  /// (used under the engine lock). The module's: the calling threads' output rows, which hold
  /// parked items of it, outlive an UNLOAD and the engine with it.
  TzetItemRecycler recycler_;

  /// True from the moment zetPluginLoad has built the engine state until zetPluginUnload begins
  /// to free it; data calls look at the state only while it is set.
  std::atomic<bool> engineReady_{false};
};
