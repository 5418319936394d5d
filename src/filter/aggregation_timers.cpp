// The aggregation engine's groups and timers: which group a packet belongs to, the clock of the
// packets' own times, and the rows and values that end by the timeout, the age limit, an eviction
// or their lifetime: all of the grouped mode. In the plain mode every packet belongs to the one
// group, which only the timeout ends, measured from one packet to the next by the packet walk.
#include "filter/aggregation_engine.h"

#include "filter/aggregation_variables.h"
#include "filter/group_key_text.h"
#include "rtl/variant.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

/// True when Ms milliseconds have passed from Since to Now.
bool Passed(uint64_t now, uint64_t since, uint32_t ms) {
  return now >= since && now - since >= ms;
}

/// The milliseconds a packet's time stands for: a number of milliseconds, or a date and time
/// (days since 30 December 1899); nothing for another value.
std::optional<double> MillisecondsOf(const platform::VariantRec& value) {
  std::optional<double> ms = value.vt == platform::vtDate
                                 ? std::optional<double>(value.date * 86400000.0)
                                 : NumberOf(value);
  if (ms && !std::isfinite(*ms))
    ms.reset();
  return ms;
}

/// The largest step the clock of the packets' times takes at once (about 30,000 years), so that
/// its reading stays a number of milliseconds.
constexpr double kMaxClockStep = 1e15;

} // namespace

uint64_t TAggregationEngine::EventTime(TzetParamsListRef input) {
  const int32_t count = input.Count();
  for (int32_t i = 0; i < count; ++i) {
    const TzetParamsListItem* item = input.Item(i);
    if (!item || item->Name == kRowMarker || !Learn(i, *item).IsTime)
      continue;
    // A time variable without a time leaves the clock where it is.
    const std::optional<double> ms = MillisecondsOf(item->Value);
    if (!ms)
      break;
    const double step = *ms - lastEventMs_;
    if (!eventSeen_ || (options_.TimeJumpMs != 0 && std::fabs(step) > options_.TimeJumpMs)) {
      // The first time, or the source's clock restarted: its times go on from here, and the
      // engine's clock stays.
      eventSeen_ = true;
      lastEventMs_ = *ms;
    } else if (step > 0) {
      // A time earlier than the last one is no progress.
      eventClock_ += std::min(step, kMaxClockStep);
      lastEventMs_ = *ms;
    }
    break;
  }
  return static_cast<uint64_t>(eventClock_);
}

bool TAggregationEngine::TimedOut(const TAggregationGroup& group) const {
  return Passed(now_, group.LastInput, timeoutMs_) ||
         Passed(systemNow_, group.LastInputSystem, timeoutMs_);
}

int32_t TAggregationEngine::FindGroup(TzetParamsListRef input) {
  key_.clear();
  if (!options_.GroupByLower.empty()) {
    const int32_t count = input.Count();
    for (int32_t i = 0; i < count; ++i) {
      const TzetParamsListItem* item = input.Item(i);
      if (!item || item->Name == kRowMarker || !Learn(i, *item).IsKey)
        continue;
      if (rtl::IsEmptyValue(item->Value))
        continue;
      KeyText(item->Value, key_);
      break;
    }
  }
  return groups_.Find(key_);
}

int32_t TAggregationEngine::GroupOf(int32_t slot, TzetRowsParamsList& rows) {
  if (slot < 0) {
    if (groups_.Full()) {
      // The group idle longest makes room, its row ended as by the timeout.
      const int32_t oldest = groups_.IdleOldest();
      EndRow(oldest, rerTimeout, rows);
      groups_.Close(oldest);
    }
    slot = groups_.Open(key_, now_, systemNow_);
  }
  groups_.Touch(slot, now_, systemNow_);
  return slot;
}

bool TAggregationEngine::ExpiryDue() {
  if (options_.LifetimeMs != 0 && now_ >= nextValueExpiry_)
    return true;
  const int32_t idle = timeoutMs_ != 0 ? groups_.IdleOldest() : -1;
  if (idle >= 0 && TimedOut(groups_[idle]))
    return true;
  const int32_t aging = options_.AgeMs != 0 ? groups_.AgeOldest() : -1;
  return aging >= 0 && Passed(now_, groups_[aging].AgeStart, options_.AgeMs);
}

void TAggregationEngine::ExpireValues() {
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
      // The variable the value stood for is no longer marked.
      const std::string_view lowered = group.Pending.Item(i)->LowerName.View();
      for (int32_t k = 0; k < vars_.Count(); ++k) {
        if (VariableAt(vars_, k).LowerName.View() == lowered) {
          // Its merge strategy starts anew with the next value.
          group.Marks &= ~(1u << k);
          group.Tallies[static_cast<std::size_t>(k)] = {};
          group.CutNoted &= ~(1u << k);
          break;
        }
      }
      group.Pending.DeleteItem(i);
      group.ValueTimes.erase(group.ValueTimes.begin() + i);
      removed = true;
    }
    if (!removed)
      return;
    // Values have a lifetime only in the grouped mode, whose rows are found by hash.
    group.Index.Clear();
    for (int32_t i = 0; i < group.Pending.Count(); ++i)
      group.Index.Insert(group.Pending, i,
                         PendingIndex::Hash(group.Pending.Item(i)->LowerName.View()));
    if (group.Pending.Count() == 0)
      groups_.StopAge(slot);
  });
  nextValueExpiry_ = next;
}

void TAggregationEngine::ExpireRows(TzetRowsParamsList& rows) {
  if (timeoutMs_ != 0) {
    // The idle order is the order of the groups' last packets: the expired ones lead it.
    for (int32_t slot = groups_.IdleOldest(); slot >= 0 && TimedOut(groups_[slot]);
         slot = groups_.IdleOldest()) {
      EndRow(slot, rerTimeout, rows);
      groups_.Close(slot);
    }
  }
  if (options_.AgeMs != 0) {
    for (int32_t slot = groups_.AgeOldest();
         slot >= 0 && Passed(now_, groups_[slot].AgeStart, options_.AgeMs);
         slot = groups_.AgeOldest())
      EndRow(slot, rerAge, rows); // leaves the age order
  }
}

void TAggregationEngine::EndRow(int32_t slot, TRowEndReason reason, TzetRowsParamsList& rows) {
  TAggregationGroup& group = groups_[slot];
  // A row whose variables were all marked was released already (the "do not reset" mode keeps
  // it): nothing of it is lost. A row that holds nothing but its group's key collected nothing:
  // it ends without a trace, as an empty one does.
  if (group.Pending.Count() != 0 && !HoldsOnlyItsKey(group) && group.Marks != AllMarks(vars_)) {
    if (options_.Partial) {
      AppendPartialRow(group, reason, rows);
      stats_.PartialReleased(reason);
    } else {
      stats_.RowDiscarded(reason);
    }
  }
  EmptyGroup(slot);
}

void TAggregationEngine::AppendPartialRow(TAggregationGroup& group, TRowEndReason reason,
                                          TzetRowsParamsList& rows) {
  // Partial rows are an option of the grouped mode, whose rows are found by hash. The row is
  // emptied afterwards: the missing variables and the status are added to it.
  for (int32_t k = 0; k < vars_.Count(); ++k) {
    if (group.Marks & (1u << k))
      continue;
    const TAggregationListItem& var = VariableAt(vars_, k);
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

bool TAggregationEngine::HoldsOnlyItsKey(const TAggregationGroup& group) const {
  const std::string& key = options_.GroupByLower;
  return group.Pending.Count() == 1 && !key.empty() &&
         group.Index.Find(group.Pending, key, PendingIndex::Hash(key)) == 0;
}
