// The aggregation engine's packet walk: the merge step of both modes, the release of a row, and
// the engine's configuration, reset and checks.
#include "filter/aggregation_engine.h"

#include "filter/aggregation_variables.h"
#include "rtl/variant.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::string_view kRowStatus = "$ROW_STATUS$";
/// Ids of lowered names kept before they are numbered anew: a host that makes up names without
/// end must not make the learner grow without end.
constexpr int32_t kMaxNameIds = 4096;

} // namespace

TAggregationEngine::TAggregationEngine(const TObjectList& vars, TzetItemRecycler& recycler)
    : vars_(vars), recycler_(recycler), statusName_(kRowStatus),
      statusLower_(rtl::AnsiString(kRowStatus).Lowered()) {
  Configure(0, false, TAggregationOptions{});
}

void TAggregationEngine::Configure(uint32_t timeoutMs, bool noReset,
                                   const TAggregationOptions& options) {
  grouped_ = options.Active();
  noReset_ = noReset;
  timeoutMs_ = timeoutMs;
  options_ = options;
  mergeMask_ = reshapeMask_ = 0;
  for (std::size_t k = 0; k < options_.Merge.size(); ++k) {
    const TMergeStrategy strategy = options_.Merge[k];
    if (strategy != TMergeStrategy::Last)
      mergeMask_ |= 1u << k;
    if (!KeepsASingleValue(strategy))
      reshapeMask_ |= 1u << k;
  }
  misfitNoted_ = false;
  // What was learnt about input names refers to the variables just replaced.
  seenNames_.Clear(options_.GroupByLower, options_.TimeVarLower);
  slots_.Reset();
  nextValueExpiry_ = UINT64_MAX;
  eventClock_ = lastEventMs_ = 0;
  eventSeen_ = false;
  groups_.ForEach([&](int32_t slot, TAggregationGroup&) { EmptyGroup(slot); });
  groups_.Clear(grouped_ ? options_.MaxGroups : 1);
  if (!grouped_)
    groups_.Open(std::string(), 0, 0);
}

void TAggregationEngine::Reset() {
  groups_.ForEach([&](int32_t slot, TAggregationGroup&) { EmptyGroup(slot); });
  // The grouped mode forgets its groups with their rows; the plain mode's one group stays.
  if (grouped_)
    groups_.Clear();
  nextValueExpiry_ = UINT64_MAX;
}

void TAggregationEngine::RenumberNames() {
  seenNames_.Clear();
  slots_.Reset();
  if (grouped_)
    return; // the groups find their items by hash: nothing keeps an id between packets
  const TzetParamsList& row = groups_[kSingleGroup].Pending;
  for (int32_t k = 0; k < row.Count(); ++k)
    if (const TzetParamsListItem* item = row.Item(k))
      slots_.Insert(seenNames_.Intern(item->LowerName.View()), k);
}

bool TAggregationEngine::ProcessPacket(TzetParamsListRef input, TzetRowsParamsList& rows) {
  ++stats_.Packets;
  if (grouped_) {
    now_ = systemNow_ = TimeoutNow(TimeoutTracker);
  } else if (timeoutMs_ == 0) {
    RestartTimeout(TimeoutTracker);
  } else if (RestartTimeoutExpired(TimeoutTracker, timeoutMs_)) {
    EndRow(kSingleGroup, rerTimeout, rows);
  }
  // Without a configured variable nothing is ever pending: no rows, and no answer either.
  if (vars_.Count() == 0) {
    recycler_.Park(rows);
    return false;
  }
  if (seenNames_.IdCount() > kMaxNameIds)
    RenumberNames();
  // Room for every position first: what Learn answers stays where it is during the packet.
  seenNames_.Reserve(input.Count());
  if (!options_.TimeVarLower.empty())
    now_ = EventTime(input);

  // The packet's group. The plain mode has one; in the grouped mode, while no row or value is
  // due to end, the groups stay as they are until the packet's own: its group is found once,
  // for the shortcut and for the general way.
  bool settled = true;
  int32_t found = kSingleGroup;
  if (grouped_) {
    settled = !ExpiryDue();
    found = settled ? FindGroup(input) : -1;
  }
  if (settled && RefillRows && RefillReleasedRow(input, found, rows))
    return true;
  // Without the reset the released row is the pending row copied, and the row released last
  // usually has its names: it stays until the release, to be filled again in place, unless a
  // row may end into Rows before the packet's own.
  bool rowsHeld = noReset_ && RefillRows && settled && found >= 0;
  if (!rowsHeld)
    recycler_.Park(rows);
  try {
    if (!settled) {
      // Expiries first: the packet then merges into what is still valid.
      ExpireValues();
      ExpireRows(rows);
    }
    if (grouped_) {
      const int32_t slot = GroupOf(settled ? found : FindGroup(input), rows);
      Merge(slot, THashLookup(groups_[slot].Index), input, rows, rowsHeld);
    } else {
      Merge(kSingleGroup, TSlotLookup(slots_), input, rows, rowsHeld);
    }
  } catch (...) {
    if (rowsHeld)
      recycler_.Park(rows);
    throw;
  }
  if (rowsHeld)
    recycler_.Park(rows);
  return true;
}

template <PendingLookup Lookup>
void TAggregationEngine::Merge(int32_t slot, Lookup lookup, TzetParamsListRef input,
                               TzetRowsParamsList& rows, bool& rowsHeld) {
  TAggregationGroup& group = groups_[slot];
  const uint32_t all = AllMarks(vars_);
  // The input's item array is read directly: nothing changes it during the call.
  void* const* items = input.Items();
  const int32_t last = input.Count() - 1;
  for (int32_t i = 0; i <= last; ++i) {
    // A host list may hold an unfilled slot (or no array at all): it carries no value but is
    // still a check point when it is the packet's last item.
    const auto* item = items ? static_cast<const TzetParamsListItem*>(items[i]) : nullptr;
    const SeenName* seen = item ? &Learn(i, *item) : nullptr;
    const bool isMarker = seen && seen->IsMarker;
    // An empty value never marks or replaces a variable's value; any other name takes what
    // comes. A variable is marked by a value its strategy takes.
    if (seen && !isMarker && (seen->Var < 0 || !rtl::IsEmptyValue(item->Value)) &&
        Store(group, lookup, *seen, item->Value)) {
      if (seen->Var >= 0)
        group.Marks |= 1u << seen->Var;
      if (options_.AgeMs != 0)
        groups_.StartAge(slot, now_);
    }
    if ((isMarker || i == last) && group.Marks == all) {
      ReleaseRow(slot, rows, rowsHeld);
      return;
    }
  }
}

template <PendingLookup Lookup>
bool TAggregationEngine::Store(TAggregationGroup& group, Lookup& lookup, const SeenName& seen,
                               const platform::VariantRec& value) {
  const int32_t at = lookup.Find(group.Pending, seen);
  if (seen.Var < 0 || !((mergeMask_ >> seen.Var) & 1u))
    return Put(group, lookup, seen, at, value);
  rtl::Variant merged;
  const auto var = static_cast<std::size_t>(seen.Var);
  switch (MergeValue(options_.Merge[var], at >= 0 ? &group.Pending.Item(at)->Value : nullptr,
                     group.Tallies[var], value, options_.Separator, merged)) {
  case TMergeResult::Misfit:
    NoteMisfit(seen.Var);
    return false;
  case TMergeResult::Kept:
    return true; // the value's time stays that of the value kept
  case TMergeResult::Cut:
    NoteCut(group, seen.Var);
    break;
  case TMergeResult::Changed:
    break;
  }
  return Put(group, lookup, seen, at, std::move(merged));
}

template <PendingLookup Lookup, class Value>
bool TAggregationEngine::Put(TAggregationGroup& group, Lookup& lookup, const SeenName& seen,
                             int32_t at, Value&& value) {
  const bool timed = options_.LifetimeMs != 0;
  // Room first, so that a failing allocation leaves the times beside the items they belong to.
  if (timed && group.ValueTimes.size() == group.ValueTimes.capacity())
    group.ValueTimes.reserve(group.ValueTimes.size() * 2 + 8);
  if (at >= 0) {
    TzetItemRecycler::SetValue(group.Pending.Item(at), std::forward<Value>(value));
    if (timed)
      group.ValueTimes[static_cast<std::size_t>(at)] = now_;
  } else if (recycler_.AddLowered(group.Pending, seen.Name, seen.LowerBlock,
                                  std::forward<Value>(value))) {
    // A new item takes the name as first learnt at this position: interleaved devices bring
    // blocks of their own for the same text, and recycled items keep the block they hold.
    lookup.Record(group.Pending, seen, group.Pending.Count() - 1);
    if (timed)
      group.ValueTimes.push_back(now_);
  } else {
    return false;
  }
  if (timed)
    nextValueExpiry_ = std::min(nextValueExpiry_, now_ + options_.LifetimeMs);
  return true;
}

void TAggregationEngine::NoteMisfit(int32_t var) {
  ++stats_.Misfits;
  if (misfitNoted_)
    return;
  misfitNoted_ = true;
  notes_.push_back("A value of \"" + VariableAt(vars_, var).Name.Str() +
                   "\" that is not a number was left out of its " +
                   std::string(MergeStrategyName(options_.Merge[static_cast<std::size_t>(var)])));
}

void TAggregationEngine::NoteCut(TAggregationGroup& group, int32_t var) {
  const uint32_t bit = 1u << var;
  if (group.CutNoted & bit)
    return;
  group.CutNoted |= bit;
  notes_.push_back("The joined values of \"" + VariableAt(vars_, var).Name.Str() +
                   "\" were cut at " + std::to_string(kMaxJoinedLength) + " characters");
}

void TAggregationEngine::ReleaseRow(int32_t slot, TzetRowsParamsList& rows, bool& rowsHeld) {
  TAggregationGroup& group = groups_[slot];
  if (rowsHeld) {
    rowsHeld = false;
    if (!recycler_.RefillRowFrom(rows, group.Pending)) {
      recycler_.Park(rows);
      recycler_.AppendRow(rows, group.Pending);
    }
  } else if (!noReset_ && rows.Count() == 0) {
    // The pending row is emptied after its release anyway: its items are handed over instead
    // of copied. They are what AppendRow would copy: names as first written, values already in
    // their OLE-compatible form, no row marker among them.
    rows.SwapContents(group.Pending);
    recycler_.AddNewRow(rows);
  } else {
    recycler_.AppendRow(rows, group.Pending);
  }
  stats_.RowReleased();
  if (noReset_)
    groups_.StopAge(slot); // the age of a kept row starts again with its next value
  else
    EmptyGroup(slot);
}

void TAggregationEngine::EmptyGroup(int32_t slot) {
  TAggregationGroup& group = groups_[slot];
  if (group.Pending.Count() != 0)
    recycler_.Clear(group.Pending);
  group.Index.Clear();
  slots_.Clear();
  group.ValueTimes.clear();
  group.Marks = 0;
  if (mergeMask_ != 0) {
    group.Tallies = {};
    group.CutNoted = 0;
  }
  groups_.StopAge(slot);
}

int32_t TAggregationEngine::Holding() {
  int32_t holding = 0;
  groups_.ForEach([&](int32_t, TAggregationGroup& group) {
    if (group.Pending.Count() != 0)
      ++holding;
  });
  return holding;
}

bool TAggregationEngine::CheckInvariants() {
  if (!recycler_.CheckInvariants() || !groups_.CheckInvariants())
    return false;
  if (!grouped_ && (groups_.Count() != 1 || groups_.Find(std::string()) != kSingleGroup))
    return false;
  const uint32_t all = AllMarks(vars_);
  bool sound = true;
  groups_.ForEach([&](int32_t, TAggregationGroup& group) {
    if (!sound)
      return;
    const bool covered = grouped_ ? THashLookup(group.Index).Covers(group.Pending, seenNames_)
                                  : TSlotLookup(slots_).Covers(group.Pending, seenNames_);
    sound = covered && (group.Marks & ~all) == 0 && (grouped_ || !group.Aging) &&
            (options_.LifetimeMs == 0 ||
             group.ValueTimes.size() == static_cast<std::size_t>(group.Pending.Count()));
    // A marked variable's value is in the row; a tally counts only while its variable is
    // marked.
    for (int32_t k = 0; sound && k < vars_.Count(); ++k) {
      if (!(group.Marks & (1u << k))) {
        sound = group.Tallies[static_cast<std::size_t>(k)].Count == 0;
        continue;
      }
      const std::string_view lowered = VariableAt(vars_, k).LowerName.View();
      sound = std::any_of(group.Pending.List(), group.Pending.List() + group.Pending.Count(),
                          [&](void* p) {
                            return static_cast<TzetParamsListItem*>(p)->LowerName.View() == lowered;
                          });
    }
  });
  return sound;
}

void TAggregationEngine::AssertInvariants() {
#if AGG_CHECK_INVARIANTS
  if (!CheckInvariants()) {
    std::fputs("aggregation engine: its state does not hold after a call\n", stderr);
    std::abort();
  }
#endif
}
