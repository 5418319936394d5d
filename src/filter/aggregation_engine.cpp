// The aggregation engine: the data handler and the two operations that rebuild and reset its
// state. All engine state is read and written only under the engine lock, the exclusive lock of
// AggregationList, which its holder may take again.
#include "filter/aggregation_grouped.h"
#include "filter/aggregation_options.h"
#include "filter/aggregation_plugin.h"
#include "filter/aggregation_settings.h"
#include "frame/key_text.h"
#include "platform/codepage.h"
#include "rtl/exceptions.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr const char* kEngineUnit = "PluginDM";
/// Ids of lowered names kept before they are numbered anew: a host that makes up names without
/// end must not make the learner grow without end.
constexpr int32_t kMaxNameIds = 4096;

} // namespace

void TaPlugin::AssertEngineInvariants([[maybe_unused]] const TObjectList& vars) {
#if AGG_CHECK_INVARIANTS
  if (!EngineInvariantsHold(vars)) {
    std::fputs("aggregation engine: its state does not hold after a call\n", stderr);
    std::abort();
  }
#endif
}

void TaPlugin::ApplySettings(const TProxyCodeObject& settings) {
  // One hold of the engine lock for the whole rebuild: a data call merges its packet either
  // under the old configuration or under the new one, never under an empty one in between.
  TThreadObjectList::WriteLocked engine(*AggregationList);
  engine.List().Clear();
  Pending->Clear();
  receivedCount_ = 0;
  // What was learnt about input names refers to the variables about to be replaced.
  seenNames_.Clear();
  slots_.Reset();
  for (const std::string& var : settings.Vars) {
    const std::string_view name = frame::TrimText(var);
    if (!name.empty())
      engine.List().Add(new TAggregationListItem(this, name));
  }
  TimeoutMs = MillisecondsFromSetting(settings.spTimeout_Value);
  noReset_ = settings.chkNoReset_Checked;
  Options = TAggregationOptions::FromSettings(settings);
  grouped_.reset();
  if (Options.Active())
    grouped_ = std::make_unique<TGroupedAggregation>(Options, noReset_, TimeoutMs, recycler_);
  AssertEngineInvariants(engine.List());
}

void TaPlugin::ResetAggregation() {
  TThreadObjectList::WriteLocked engine(*AggregationList);
  ResetPending(engine.List());
  AssertEngineInvariants(engine.List());
}

void TaPlugin::ResetPending(const TObjectList& vars) {
  if (Pending->Count() > 0)
    recycler_.Clear(*Pending);
  slots_.Clear();
  if (grouped_)
    grouped_->Reset();
  void* const* varItems = vars.List();
  for (int32_t i = 0; i < vars.Count(); ++i)
    static_cast<TAggregationListItem*>(static_cast<TObject*>(varItems[i]))->Received = false;
  receivedCount_ = 0;
}

void TaPlugin::RenumberNames() {
  seenNames_.Clear();
  slots_.Reset();
  for (int32_t k = 0; k < Pending->Count(); ++k)
    if (const TzetParamsListItem* item = Pending->Item(k))
      slots_.Insert(seenNames_.Intern(item->LowerName.View()), k);
}

void TaPlugin::zetPluginProcessData(TzetPlugin*, PPluginCallRec rec, int32_t& result) {
  result = 0;
  const bool hasInput = rec->Input.Data != 0 &&
                        (rec->Input.Kind == ZET_KIND_LIST || rec->Input.Kind == ZET_KIND_LIST_ALT);
  const bool ready = engineReady_.load(std::memory_order_acquire);
  // The calling thread's output list: only this thread fills, publishes and clears it.
  TzetRowsParamsList* rows = ready ? CallerOutputRows() : nullptr;
  if (!hasInput) {
    // A released row is handed out once: a call without input clears it, without touching
    // anything of the engine.
    if (rows)
      rows->Clear();
    return;
  }
  if (!rows)
    rtl::AssertionFailure("The aggregation module is not loaded", kEngineUnit, __LINE__);

  TThreadObjectList::WriteLocked engine(*AggregationList);
  // Checked however the call leaves, also by a failure.
  struct TCheckOnExit {
    TaPlugin& Module;
    const TObjectList& Vars;
    ~TCheckOnExit() { Module.AssertEngineInvariants(Vars); }
  } check{*this, engine.List()};
  ++stats_.Packets;
  if (grouped_) {
    ProcessDataGrouped(rec, result, *rows, engine.List());
    return;
  }
  TObjectList& vars = engine.List();
  if (TimeoutMs == 0) {
    RestartTimeout(TimeoutTracker);
  } else if (RestartTimeoutExpired(TimeoutTracker, TimeoutMs)) {
    CountTimedOutRow(vars);
    ResetPending(vars);
  }

  const int32_t varCount = vars.Count();
  if (varCount == 0) {
    recycler_.Park(*rows);
    return;
  }
  if (seenNames_.IdCount() > kMaxNameIds)
    RenumberNames();

  // The input's item array is read directly: nothing changes it during the call.
  const TzetParamsListRef input(reinterpret_cast<void*>(rec->Input.Data));
  void* const* inputItems = input.Items();
  const int32_t last = input.Count() - 1;
  seenNames_.Reserve(last + 1);
  if (RefillReleasedRow(*rows, inputItems, last + 1, vars)) {
    stats_.RowReleased();
    PublishRows(rec, result, *rows);
    return;
  }
  // Without the reset the released row is the pending row copied, and the row released last
  // usually has its names: it stays until the release, to be filled again in place, and is
  // parked only when that cannot be done, or when no row is released.
  bool rowsSettled = !noReset_ || !RefillRows;
  if (rowsSettled)
    recycler_.Park(*rows);
  try {
    WalkPacket(inputItems, last, vars, *rows, rowsSettled);
  } catch (...) {
    if (!rowsSettled)
      recycler_.Park(*rows);
    throw;
  }
  if (!rowsSettled)
    recycler_.Park(*rows);
  PublishRows(rec, result, *rows);
}

void TaPlugin::PublishRows(PPluginCallRec rec, int32_t& result, TzetRowsParamsList& rows) {
  // What the frame would publish for a released row, said here, where the list is at hand; an
  // empty list is published too, answered with "nothing done".
  if (rows.Count() == 0)
    result = ZET_RESULT_NOTHING_DONE;
  rec->Output.Kind = ZET_KIND_LIST;
  rec->Output.Data = reinterpret_cast<uintptr_t>(&rows);
}

void TaPlugin::WalkPacket(void* const* inputItems, int32_t last, const TObjectList& vars,
                          TzetRowsParamsList& rows, bool& rowsSettled) {
  // The variables do not change under the engine lock: their array is read directly.
  const int32_t varCount = vars.Count();
  void* const* varItems = vars.List();
  for (int32_t i = 0; i <= last; ++i) {
    // A host list may hold an unfilled slot (or no array at all): it carries no value but is
    // still a check point when it is the packet's last item.
    const auto* item = inputItems ? static_cast<const TzetParamsListItem*>(inputItems[i]) : nullptr;
    const TSeenNames::Entry* seen = item ? &seenNames_.Learn(i, *item, vars, recycler_) : nullptr;
    const bool isMarker = seen && seen->IsMarker;
    if (seen && !isMarker) {
      const platform::VariantRec& value = item->Value;
      const bool empty = rtl::IsEmptyValue(value);
      if (seen->Var >= 0) {
        auto* var = static_cast<TAggregationListItem*>(static_cast<TObject*>(varItems[seen->Var]));
        if (!var->Received && !empty) {
          var->Received = true;
          ++receivedCount_;
        }
      }
      if (seen->Var < 0 || !empty) {
        TPendingSlots::Slot& slot = slots_.At(seen->Id);
        const int32_t at = slots_.IndexIn(slot);
        if (at >= 0) {
          TzetItemRecycler::SetValue(Pending->Item(at), value);
        } else if (recycler_.AddLowered(*Pending, seen->Name, seen->LowerBlock, value)) {
          slots_.Record(slot, Pending->Count() - 1);
        }
      }
    }
    if ((isMarker || i == last) && receivedCount_ == varCount) {
      if (!noReset_) {
        // The pending row is discarded after its release anyway: hand its items over instead
        // of copying them. They are what AppendRow would copy: names as first written, values
        // already in their OLE-compatible form, no row marker among them.
        rows.SwapContents(*Pending);
        recycler_.AddNewRow(rows);
        ResetPending(vars);
      } else if (!RefillRows || !recycler_.RefillRowFrom(rows, *Pending)) {
        recycler_.Park(rows);
        recycler_.AppendRow(rows, *Pending);
      }
      rowsSettled = true;
      stats_.RowReleased();
      break;
    }
  }
}
