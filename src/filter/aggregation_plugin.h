// The aggregation module class: merges the values of several packets into one pending row and
// releases the row when every configured variable has received a non-empty value.
#pragma once

#include "data/item_recycler.h"
#include "data/params_list.h"
#include "data/thread_object_list.h"
#include "filter/aggregation_options.h"
#include "filter/aggregation_stats.h"
#include "filter/pending_slots.h"
#include "filter/seen_names.h"
#include "frame/plugin.h"
#include "support/timeout.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class TDataSourceCfg;
class TGroupedAggregation;
class TProxyCodeObject;
class TzetStrHolder;

/// One configured variable of the engine.
class TAggregationListItem : public TObject {
public:
  TAggregationListItem(TComponent* owner, std::string_view name);

  TComponent* Owner;
  /// The variable has received a non-empty value since the last reset.
  bool Received = false;
  /// The configured name, trimmed, then lower-cased with the ANSI rules.
  rtl::AnsiString LowerName;
  /// The configured name, trimmed: the name of its Null item in a partial row.
  rtl::AnsiString Name;
};

/// The marks of every configured variable (TAggregationListItem, at most eight): bit K stands
/// for variable K.
inline uint32_t AllMarks(const TObjectList& vars) {
  return (1u << vars.Count()) - 1u;
}

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
  /// True when the engine's state holds what it promises: the count of marked variables matches
  /// the marks, every pending item is found through the slot of its name, the recycler keeps
  /// within its bounds, and the grouped path's state holds (see TGroupedAggregation). Takes the
  /// engine lock. Builds with AGG_CHECK_INVARIANTS (the sanitizer and fuzzing builds) check it
  /// after every data call and settings change and stop the process when it fails.
  bool CheckEngineInvariants();

  TzetStrHolder* Properties = nullptr;
  TDataSourceCfg* Cfg = nullptr;
  std::unique_ptr<TzetParamsList> Pending;
  TzetTimeout TimeoutTracker{};
  uint32_t TimeoutMs = 0;
  /// The advanced options, copied from the settings under the engine lock like the timeout.
  TAggregationOptions Options;
  std::unique_ptr<TThreadObjectList> AggregationList;

protected:
  TaPlugin() = default;
  void LoadDesignTimeValues() override;
  /// "Stats.Packets", "Stats.Rows", "Stats.Partial", "Stats.Discarded", "Stats.Groups" and
  /// "Stats.LastReason", read under the engine lock.
  bool GetModuleNamedProperty(std::string_view name, rtl::Variant& value) override;

private:
  /// The reset option, copied from the settings under the engine lock, so that a data call never
  /// reads a settings object that is being replaced.
  bool noReset_ = false;
  /// Where the pending row's names stand, by their ids in seenNames_.
  TPendingSlots slots_;
  /// How many configured variables have Received set.
  int32_t receivedCount_ = 0;
  /// Items, arrays and names of the output rows and the pending row, kept between data calls
  /// (under the engine lock).
  TzetItemRecycler recycler_;
  /// What the engine learnt about the input names, by position in the packet (under the engine
  /// lock); cleared with the variables.
  TSeenNames seenNames_;
  /// The path of the advanced options; exists while any of them is set (under the engine lock).
  std::unique_ptr<TGroupedAggregation> grouped_;
  /// The counters (under the engine lock).
  TAggregationStats stats_;
  /// The data handler's work on the path of the advanced options, under the engine lock.
  void ProcessDataGrouped(PPluginCallRec rec, int32_t& result, TzetRowsParamsList& rows,
                          const TObjectList& vars);
  /// Counts the pending row that the plain path's timeout is about to discard (Vars: the
  /// configured variables, read under the engine lock the caller holds).
  void CountTimedOutRow(const TObjectList& vars);
  /// ResetAggregation's work, for a caller that holds the engine lock (Vars: its variables).
  void ResetPending(const TObjectList& vars);
  /// CheckEngineInvariants for a caller that holds the engine lock (Vars: its variables).
  bool EngineInvariantsHold(const TObjectList& vars);
  /// With AGG_CHECK_INVARIANTS: stops the process when the engine's state does not hold.
  void AssertEngineInvariants(const TObjectList& vars);
  /// Numbers the names anew, keeping the pending row's, when the learner has given too many ids.
  void RenumberNames();
  /// The plain path's walk through the packet's items 0..Last, under the engine lock: merges
  /// them into the pending row and releases it into Rows at the first check point where every
  /// variable has arrived. RowsSettled: whether Rows is settled for this call, emptied or
  /// holding the released row (set when the walk settles it).
  void WalkPacket(void* const* inputItems, int32_t last, const TObjectList& vars,
                  TzetRowsParamsList& rows, bool& rowsSettled);
  /// Puts Rows, the calling thread's output list, into Rec's output: a released row, or the
  /// empty list with the result "nothing done".
  void PublishRows(PPluginCallRec rec, int32_t& result, TzetRowsParamsList& rows);
  /// The plain path's shortcut for a packet that makes a row of its own with the names of the
  /// row released last (see row_refill.cpp): true when it released the row by filling Rows again
  /// in place; false when the general way must take the packet (what it wrote into Rows by then
  /// does not show: the general way parks Rows first).
  bool RefillReleasedRow(TzetRowsParamsList& rows, void* const* inputItems, int32_t count,
                         const TObjectList& vars);
  /// RefillReleasedRow without the reset, where the pending row stays after a release: the
  /// packet brings a new value for every item of the pending row, at its position, and every
  /// variable has arrived before. Writes each value into the pending row and into Rows in one
  /// walk. On false, what it wrote into the pending row is what the general way writes there.
  bool RefillKeptRow(TzetRowsParamsList& rows, void* const* inputItems, int32_t count,
                     const TObjectList& vars);

public:
  /// Lets the plain path fill the row released last again in place, with or without the reset
  /// (on unless a test compares it with the general way).
  bool RefillRows = true;

private:
  /// True from the moment zetPluginLoad has built the engine state until zetPluginUnload begins
  /// to free it; data calls look at the state only while it is set.
  std::atomic<bool> engineReady_{false};
};
