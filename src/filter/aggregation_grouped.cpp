#include "filter/aggregation_grouped.h"

#include "filter/aggregation_plugin.h"
#include "filter/group_key_text.h"
#include "platform/codepage.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

namespace {

constexpr std::string_view kRowStatus = "$ROW_STATUS$";
/// Ids of lowered names kept before the learner starts anew: the ids only serve to find a name
/// that comes twice in one packet, so nothing else depends on them.
constexpr int32_t kMaxNameIds = 4096;

const TAggregationListItem& VarAt(const TObjectList& vars, int32_t k) {
  return *static_cast<const TAggregationListItem*>(vars.Get(k));
}

/// True when Ms milliseconds have passed from Since to Now.
bool Passed(uint64_t now, uint64_t since, uint32_t ms) {
  return now >= since && now - since >= ms;
}

} // namespace

TGroupedAggregation::TGroupedAggregation(const TAggregationOptions& options, bool noReset,
                                         uint32_t timeoutMs, TzetItemRecycler& recycler)
    : options_(options), noReset_(noReset), timeoutMs_(timeoutMs), recycler_(recycler),
      groups_(options.MaxGroups), statusName_(kRowStatus),
      statusLower_(rtl::AnsiString(kRowStatus).Lowered()) {}

int32_t TGroupedAggregation::Holding() {
  int32_t holding = 0;
  groups_.ForEach([&](int32_t, TAggregationGroup& group) {
    if (group.Pending.Count() != 0)
      ++holding;
  });
  return holding;
}

bool TGroupedAggregation::CheckInvariants() {
  bool sound = groups_.CheckInvariants();
  groups_.ForEach([&](int32_t, TAggregationGroup& group) {
    sound = sound && group.Index.Covers(group.Pending) &&
            (options_.LifetimeMs == 0 ||
             group.ValueTimes.size() == static_cast<std::size_t>(group.Pending.Count()));
  });
  return sound;
}

void TGroupedAggregation::Reset() {
  groups_.Clear();
  nextValueExpiry_ = UINT64_MAX;
}

bool TGroupedAggregation::ExpiryDue() {
  if (options_.LifetimeMs != 0 && now_ >= nextValueExpiry_)
    return true;
  const int32_t idle = timeoutMs_ != 0 ? groups_.IdleOldest() : -1;
  if (idle >= 0 && Passed(now_, groups_[idle].LastInput, timeoutMs_))
    return true;
  const int32_t aging = options_.AgeMs != 0 ? groups_.AgeOldest() : -1;
  return aging >= 0 && Passed(now_, groups_[aging].AgeStart, options_.AgeMs);
}

void TGroupedAggregation::ProcessPacket(TzetParamsListRef input, const TObjectList& vars,
                                        TzetRowsParamsList& rows, TAggregationStats& stats,
                                        bool refill) {
  now_ = TimeoutNow(clock_);
  if (seenNames_.IdCount() > kMaxNameIds)
    seenNames_.Clear();
  // Room for every position first: what Learn answers stays where it is during the packet.
  seenNames_.Reserve(input.Count());
  // While nothing expires, the groups stay as they are until the packet's own: its group is
  // found once, for the shortcut and for the general way.
  int32_t found = -1;
  const bool foundNow = refill && vars.Count() != 0 && !ExpiryDue();
  if (foundNow) {
    found = FindGroup(input, vars);
    if (RefillReleasedRow(input, vars, found, rows, stats))
      return;
  }
  recycler_.Park(rows);
  // Expiries first: the packet then merges into what is still valid.
  ExpireValues(vars);
  ExpireRows(vars, rows, stats);
  const int32_t varCount = vars.Count();
  if (varCount == 0)
    return;

  const int32_t slot = GroupOf(foundNow ? found : FindGroup(input, vars), vars, rows, stats);
  TAggregationGroup& group = groups_[slot];
  const uint32_t all = AllMarks(vars);
  const int32_t last = input.Count() - 1;
  for (int32_t i = 0; i <= last; ++i) {
    // An unfilled slot carries no value but is still a check point as the packet's last item.
    const TzetParamsListItem* item = input.Item(i);
    const bool isMarker = item && item->Name == kRowMarker;
    if (item && !isMarker) {
      rtl::Variant v = rtl::Variant::OleCompatibleCopy(item->Value);
      const SeenName& seen = Learn(i, *item, vars);
      const bool empty = v.IsEmptyValue();
      if (seen.Var >= 0 && !empty)
        group.Received |= 1u << seen.Var;
      if ((seen.Var < 0 || !empty) && Store(group, seen, std::move(v)) && options_.AgeMs != 0)
        groups_.StartAge(slot, now_);
    }
    if ((isMarker || i == last) && group.Received == all) {
      ReleaseRow(slot, rows);
      stats.RowReleased();
      break;
    }
  }
}

int32_t TGroupedAggregation::FindGroup(TzetParamsListRef input, const TObjectList& vars) {
  key_.clear();
  if (!options_.GroupByLower.empty()) {
    const int32_t count = input.Count();
    for (int32_t i = 0; i < count; ++i) {
      const TzetParamsListItem* item = input.Item(i);
      if (!item || item->Name == kRowMarker || !Learn(i, *item, vars).IsKey)
        continue;
      if (rtl::IsEmptyValue(item->Value))
        continue;
      KeyText(item->Value, key_);
      break;
    }
  }
  return groups_.Find(key_);
}

int32_t TGroupedAggregation::GroupOf(int32_t slot, const TObjectList& vars,
                                     TzetRowsParamsList& rows, TAggregationStats& stats) {
  if (slot < 0) {
    if (groups_.Full()) {
      // The group idle longest makes room, its row ended as by the timeout.
      const int32_t oldest = groups_.IdleOldest();
      EndRow(oldest, rerTimeout, vars, rows, stats);
      groups_.Close(oldest);
    }
    slot = groups_.Open(key_, now_);
  }
  groups_.Touch(slot, now_);
  return slot;
}

bool TGroupedAggregation::Store(TAggregationGroup& group, const SeenName& seen,
                                rtl::Variant&& value) {
  const bool timed = options_.LifetimeMs != 0;
  // Room first, so that a failing allocation leaves the times beside the items they belong to.
  if (timed && group.ValueTimes.size() == group.ValueTimes.capacity())
    group.ValueTimes.reserve(group.ValueTimes.size() * 2 + 8);
  // A new item takes the name as first learnt at this position: interleaved devices bring
  // blocks of their own for the same text, and recycled items keep the block they hold.
  const int32_t at = group.Index.Find(group.Pending, seen.LowerBlock, seen.Lowered, seen.Hash);
  if (at >= 0) {
    TzetItemRecycler::SetValue(group.Pending.Item(at), std::move(value));
    if (timed)
      group.ValueTimes[static_cast<std::size_t>(at)] = now_;
  } else if (recycler_.AddLowered(group.Pending, seen.Name, seen.LowerBlock, std::move(value))) {
    group.Index.Insert(group.Pending, group.Pending.Count() - 1, seen.Hash);
    if (timed)
      group.ValueTimes.push_back(now_);
  } else {
    return false;
  }
  if (timed)
    nextValueExpiry_ = std::min(nextValueExpiry_, now_ + options_.LifetimeMs);
  return true;
}

void TGroupedAggregation::ExpireValues(const TObjectList& vars) {
  if (options_.LifetimeMs == 0 || now_ < nextValueExpiry_)
    return;
  uint64_t next = UINT64_MAX;
  groups_.ForEach([&](int32_t slot, TAggregationGroup& group) {
    bool removed = false;
    for (int32_t i = group.Pending.Count() - 1; i >= 0; --i) {
      const uint64_t stored = group.ValueTimes[static_cast<std::size_t>(i)];
      if (!Passed(now_, stored, options_.LifetimeMs)) {
        next = std::min(next, stored + options_.LifetimeMs);
        continue;
      }
      // The variable the value stood for is no longer received.
      const std::string_view lowered = group.Pending.Item(i)->LowerName.View();
      for (int32_t k = 0; k < vars.Count(); ++k) {
        if (VarAt(vars, k).LowerName.View() == lowered) {
          group.Received &= ~(1u << k);
          break;
        }
      }
      group.Pending.DeleteItem(i);
      group.ValueTimes.erase(group.ValueTimes.begin() + i);
      removed = true;
    }
    if (!removed)
      return;
    group.Index.Clear();
    for (int32_t i = 0; i < group.Pending.Count(); ++i)
      group.Index.Insert(group.Pending, i,
                         PendingIndex::Hash(group.Pending.Item(i)->LowerName.View()));
    if (group.Pending.Count() == 0)
      groups_.StopAge(slot);
  });
  nextValueExpiry_ = next;
}

void TGroupedAggregation::ExpireRows(const TObjectList& vars, TzetRowsParamsList& rows,
                                     TAggregationStats& stats) {
  if (timeoutMs_ != 0) {
    // The idle order is the order of the groups' last packets: the expired ones lead it.
    for (int32_t slot = groups_.IdleOldest();
         slot >= 0 && Passed(now_, groups_[slot].LastInput, timeoutMs_);
         slot = groups_.IdleOldest()) {
      EndRow(slot, rerTimeout, vars, rows, stats);
      groups_.Close(slot);
    }
  }
  if (options_.AgeMs != 0) {
    for (int32_t slot = groups_.AgeOldest();
         slot >= 0 && Passed(now_, groups_[slot].AgeStart, options_.AgeMs);
         slot = groups_.AgeOldest())
      EndRow(slot, rerAge, vars, rows, stats); // leaves the age order
  }
}

void TGroupedAggregation::EndRow(int32_t slot, TRowEndReason reason, const TObjectList& vars,
                                 TzetRowsParamsList& rows, TAggregationStats& stats) {
  TAggregationGroup& group = groups_[slot];
  // A row whose variables were all received was released already (the "do not reset" mode
  // keeps it): nothing of it is lost. A row that holds nothing but its group's key collected
  // nothing: it ends without a trace, as an empty one does.
  if (group.Pending.Count() != 0 && !HoldsOnlyItsKey(group) && group.Received != AllMarks(vars)) {
    if (options_.Partial) {
      AppendPartialRow(group, reason, vars, rows);
      stats.PartialReleased(reason);
    } else {
      stats.RowDiscarded(reason);
    }
  }
  EmptyGroup(slot);
}

void TGroupedAggregation::AppendPartialRow(TAggregationGroup& group, TRowEndReason reason,
                                           const TObjectList& vars, TzetRowsParamsList& rows) {
  // The row is emptied afterwards: the missing variables and the status are added to it.
  for (int32_t k = 0; k < vars.Count(); ++k) {
    if (group.Received & (1u << k))
      continue;
    const TAggregationListItem& var = VarAt(vars, k);
    const std::size_t hash = PendingIndex::Hash(var.LowerName.View());
    // A name configured twice gets one item.
    if (group.Index.Find(group.Pending, var.LowerName.View(), hash) >= 0)
      continue;
    if (recycler_.Add(group.Pending, var.Name, var.LowerName.View(), rtl::Variant::Null()))
      group.Index.Insert(group.Pending, group.Pending.Count() - 1, hash);
  }
  // The filter's own status replaces one that came with the packets (a filter fed with another
  // filter's partial rows), so that a host finds exactly one, the last item. The index is not
  // kept up to date: the group is emptied once the row is out.
  const int32_t incoming =
      group.Index.Find(group.Pending, statusLower_.View(), PendingIndex::Hash(statusLower_.View()));
  if (incoming >= 0)
    group.Pending.DeleteItem(incoming);
  recycler_.Add(group.Pending, statusName_, statusLower_.View(),
                rtl::Variant::FromAnsiText(RowEndReasonText(reason)));
  if (rows.Count() == 0) {
    rows.SwapContents(group.Pending);
    recycler_.AddNewRow(rows);
  } else {
    recycler_.AppendRow(rows, group.Pending);
  }
}

bool TGroupedAggregation::HoldsOnlyItsKey(const TAggregationGroup& group) const {
  const std::string& key = options_.GroupByLower;
  return group.Pending.Count() == 1 && !key.empty() &&
         group.Index.Find(group.Pending, key, PendingIndex::Hash(key)) == 0;
}

void TGroupedAggregation::ReleaseRow(int32_t slot, TzetRowsParamsList& rows) {
  TAggregationGroup& group = groups_[slot];
  if (!noReset_ && rows.Count() == 0) {
    // The row is emptied after its release anyway: its items are handed over, not copied.
    rows.SwapContents(group.Pending);
    recycler_.AddNewRow(rows);
  } else {
    recycler_.AppendRow(rows, group.Pending);
  }
  if (noReset_)
    groups_.StopAge(slot); // the age of a kept row starts again with its next value
  else
    EmptyGroup(slot);
}

void TGroupedAggregation::EmptyGroup(int32_t slot) {
  TAggregationGroup& group = groups_[slot];
  recycler_.Clear(group.Pending);
  group.Index.Clear();
  group.ValueTimes.clear();
  group.Received = 0;
  groups_.StopAge(slot);
}

void TaPlugin::ProcessDataGrouped(PPluginCallRec rec, int32_t& result, TzetRowsParamsList& rows,
                                  const TObjectList& vars) {
  // Without a configured variable nothing is ever pending: no rows, and no "nothing done" either.
  if (vars.Count() == 0) {
    recycler_.Park(rows);
    return;
  }
  grouped_->ProcessPacket(TzetParamsListRef(reinterpret_cast<void*>(rec->Input.Data)), vars, rows,
                          stats_, RefillRows);
  PublishRows(rec, result, rows);
}

bool TaPlugin::CheckEngineInvariants() {
  if (!AggregationList)
    return true;
  TThreadObjectList::WriteLocked engine(*AggregationList);
  return EngineInvariantsHold(engine.List());
}

bool TaPlugin::EngineInvariantsHold(const TObjectList& vars) {
  if (!Pending || !recycler_.CheckInvariants())
    return false;
  int32_t marked = 0;
  for (int32_t k = 0; k < vars.Count(); ++k)
    marked += VarAt(vars, k).Received ? 1 : 0;
  if (marked != receivedCount_ || receivedCount_ > vars.Count())
    return false;
  if (grouped_)
    return Pending->Count() == 0 && receivedCount_ == 0 && grouped_->CheckInvariants();
  // Every pending item is found through the slot of its name's id, and only there.
  for (int32_t k = 0; k < Pending->Count(); ++k) {
    const TzetParamsListItem* item = Pending->Item(k);
    if (!item || slots_.IndexOf(seenNames_.Find(item->LowerName.View())) != k)
      return false;
  }
  return true;
}
