// The statistics of the aggregation module: reading them by name, resetting them by command, and
// counting a row the plain path's timeout ends.
#include "filter/aggregation_stats.h"

#include "filter/aggregation_grouped.h"
#include "filter/aggregation_plugin.h"
#include "frame/key_text.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

constexpr std::string_view kStatsPrefix = "Stats.";

rtl::Variant Count(uint64_t value) {
  if (value <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    return rtl::Variant::Int32(static_cast<int32_t>(value));
  return rtl::Variant::Int64(static_cast<int64_t>(
      std::min<uint64_t>(value, static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))));
}

} // namespace

std::string_view RowEndReasonText(TRowEndReason reason) {
  switch (reason) {
  case rerComplete:
    return "complete";
  case rerTimeout:
    return "timeout";
  case rerAge:
    return "age";
  default:
    return "";
  }
}

bool TaPlugin::GetModuleNamedProperty(std::string_view name, rtl::Variant& value) {
  if (name.size() <= kStatsPrefix.size() ||
      !frame::SameKey(name.substr(0, kStatsPrefix.size()), kStatsPrefix))
    return false;
  const std::string_view counter = name.substr(kStatsPrefix.size());
  // An instance that is not loaded has no engine: its counters read as after a reset.
  TAggregationStats stats;
  int32_t groups = 0;
  if (AggregationList) {
    TThreadObjectList::WriteLocked engine(*AggregationList);
    stats = stats_;
    if (grouped_)
      groups = grouped_->Holding();
    else
      groups = Pending && Pending->Count() != 0 ? 1 : 0;
  }
  if (frame::SameKey(counter, "Packets"))
    value = Count(stats.Packets);
  else if (frame::SameKey(counter, "Rows"))
    value = Count(stats.Rows);
  else if (frame::SameKey(counter, "Partial"))
    value = Count(stats.Partial);
  else if (frame::SameKey(counter, "Discarded"))
    value = Count(stats.Discarded);
  else if (frame::SameKey(counter, "Groups"))
    value = rtl::Variant::Int32(groups);
  else if (frame::SameKey(counter, "LastReason"))
    value = rtl::Variant::FromAnsiText(RowEndReasonText(stats.LastReason));
  else
    return false;
  return true;
}

void TaPlugin::zetPluginExecuteCustomCommand(TzetPlugin*, const std::string& command,
                                             PPluginCallRec, int32_t& result) {
  if (command != "RESET-STATS")
    return;
  std::optional<TThreadObjectList::WriteLocked> engine;
  if (AggregationList)
    engine.emplace(*AggregationList);
  stats_.Reset();
  result = ZET_RESULT_DONE;
}

void TaPlugin::CountTimedOutRow(const TObjectList& vars) {
  if (Pending->Count() == 0)
    return;
  // A row whose variables were all received was released already (the "do not reset" mode
  // keeps it).
  bool complete = true;
  for (int32_t k = 0; k < vars.Count() && complete; ++k)
    complete = static_cast<const TAggregationListItem*>(vars.Get(k))->Received;
  if (!complete)
    stats_.RowDiscarded(rerTimeout);
}
