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

#include <functional>

namespace {

constexpr const char* kEngineUnit = "PluginDM";

} // namespace

void TaPlugin::ApplySettings(const TProxyCodeObject& settings) {
  // One hold of the engine lock for the whole rebuild: a data call merges its packet either
  // under the old configuration or under the new one, never under an empty one in between.
  TThreadObjectList::WriteLocked engine(*AggregationList);
  engine.List().Clear();
  Pending->Clear();
  if (!Index)
    Index = std::make_unique<PendingIndex>();
  Index->Clear();
  // What was learnt about input names refers to the variables about to be replaced.
  SeenNames.Clear();
  for (const std::string& var : settings.Vars) {
    const std::string_view name = frame::TrimText(var);
    if (!name.empty())
      engine.List().Add(new TAggregationListItem(this, name));
  }
  TimeoutMs = MillisecondsFromSetting(settings.spTimeout_Value);
  NoReset = settings.chkNoReset_Checked;
  Options = TAggregationOptions::FromSettings(settings);
  Grouped.reset();
  if (Options.Active())
    Grouped = std::make_unique<TGroupedAggregation>(Options, NoReset, TimeoutMs, Recycler);
}

void TaPlugin::ResetAggregation() {
  TThreadObjectList::WriteLocked engine(*AggregationList);
  Recycler.Clear(*Pending);
  if (Index)
    Index->Clear();
  if (Grouped)
    Grouped->Reset();
  TObjectList& vars = engine.List();
  for (int32_t i = 0; i < vars.Count(); ++i)
    static_cast<TAggregationListItem*>(vars.Get(i))->Received = false;
}

void TaPlugin::zetPluginProcessData(TzetPlugin*, PPluginCallRec rec, int32_t& result) {
  result = 0;
  const bool hasInput = rec->Input.Data != 0 &&
                        (rec->Input.Kind == ZET_KIND_LIST || rec->Input.Kind == ZET_KIND_LIST_ALT);
  const bool ready = EngineReady.load(std::memory_order_acquire);
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
  ++Stats.Packets;
  if (Grouped) {
    ProcessDataGrouped(rec, result, *rows, engine.List());
    return;
  }
  if (!Index)
    Index = std::make_unique<PendingIndex>();
  Recycler.Clear(*rows);
  if (TimeoutMs != 0 && TimeoutExpired(TimeoutTracker, TimeoutMs)) {
    CountTimedOutRow(engine.List());
    ResetAggregation();
  }
  RestartTimeout(TimeoutTracker);

  TObjectList& vars = engine.List();
  const int32_t varCount = vars.Count();
  if (varCount == 0)
    return;

  // The variables do not change under the engine lock: their array is read directly.
  void* const* varItems = vars.List();
  const TzetParamsListRef input(reinterpret_cast<void*>(rec->Input.Data));
  const int32_t last = input.Count() - 1;
  SeenNames.Reserve(input.Count());
  for (int32_t i = 0; i <= last; ++i) {
    // A host list may hold an unfilled slot: it carries no value but is still a check point
    // when it is the packet's last item.
    const TzetParamsListItem* item = input.Item(i);
    const bool isMarker = item && item->Name == kRowMarker;
    if (item && !isMarker) {
      rtl::Variant v = rtl::Variant::OleCompatibleCopy(item->Value);
      const TSeenNames::Entry& seen = SeenNames.Learn(i, *item, vars, Recycler);
      const std::string& lowered = seen.Lowered;

      const bool found = seen.Var >= 0;
      if (found) {
        auto* var = static_cast<TAggregationListItem*>(static_cast<TObject*>(varItems[seen.Var]));
        if (!var->Received && !v.IsEmptyValue())
          var->Received = true;
      }
      if (!found || !v.IsEmptyValue()) {
        const std::size_t hash = seen.Hash;
        const int32_t at = Index->Find(*Pending, seen.LowerBlock, lowered, hash);
        if (at >= 0) {
          TzetItemRecycler::SetValue(Pending->Item(at), std::move(v));
        } else if (Recycler.AddLowered(*Pending, seen.Name, seen.LowerBlock, std::move(v))) {
          Index->Insert(*Pending, Pending->Count() - 1, hash);
        }
      }
    }
    if (isMarker || i == last) {
      int32_t received = 0;
      for (int32_t k = 0; k < varCount; ++k)
        received += static_cast<TAggregationListItem*>(static_cast<TObject*>(varItems[k]))->Received
                        ? 1
                        : 0;
      if (received == varCount) {
        if (!NoReset && rows->Count() == 0) {
          // The pending row is discarded after its release anyway: hand its items over instead
          // of copying them. They are what AppendRow would copy: names as first written, values
          // already in their OLE-compatible form, no row marker among them.
          rows->SwapContents(*Pending);
          Recycler.AddNewRow(*rows);
          ResetAggregation();
        } else {
          Recycler.AppendRow(*rows, *Pending);
          if (!NoReset)
            ResetAggregation();
        }
        Stats.RowReleased();
        break;
      }
    }
  }
  if (rows->Count() == 0) {
    result = ZET_RESULT_NOTHING_DONE;
    rec->Output.Kind = ZET_KIND_LIST;
    rec->Output.Data = reinterpret_cast<uintptr_t>(rows);
  }
}
