// The engine's shortcuts for the steady state of a data stream: a device sends the same names in
// every packet, each packet makes a row of its own, and the row released by the last call comes
// back to be emptied for the next. Filling that row again in place gives the host the very row
// the general way would build (the same items, in the same order, with the same names, values,
// capacity and marker). With the reset, that saves parking the row, taking its items back one by
// one and handing the pending row over, in the plain mode and for the groups of interleaved
// devices alike; without it, where the pending row stays, it saves a second walk that copies the
// pending row into the released one.
#include "filter/aggregation_engine.h"
#include "filter/aggregation_variables.h"
#include "rtl/variant.h"

#include <algorithm>

namespace {

/// The walk of the shortcuts with the reset, through Count input items and the row Held of as
/// many items (and its marker): every item must be stored the way the general way stores it (a
/// number held in the record, under a name the row already carries at its position), no name
/// may come twice (the general way would merge them) and no variable may get an empty value (it
/// would stay unmarked). Each item is written as soon as it passes: when a later one does not,
/// the general way empties the row before it builds the next one, and every item it empties is
/// written again or cleared there, so nothing written here shows. Marks gets the marks of the
/// variables that got a value; false when an item did not pass.
bool RefillItems(void* const* held, void* const* inputItems, int32_t count, const TObjectList& vars,
                 TSeenNames& names, TPendingSlots& slots, TzetItemRecycler& recycler,
                 uint32_t& marks) {
  marks = 0;
  bool fits = true;
  for (int32_t i = 0; i < count; ++i) {
    const auto* item = static_cast<const TzetParamsListItem*>(inputItems[i]);
    auto* old = static_cast<TzetParamsListItem*>(held[i]);
    if (!item || !old || !TzetParamsListItem::IsOwnItem(old)) {
      fits = false;
      break;
    }
    const TSeenNames::Entry& seen = names.Learn(i, *item, vars, recycler);
    const platform::VariantRec& value = item->Value;
    if (seen.IsMarker || old->Name.BlockPointer() != seen.Name.BlockPointer() ||
        !rtl::IsPlainOleScalar(value.vt)) {
      fits = false;
      break;
    }
    if (seen.Var >= 0) {
      if (rtl::IsEmptyValue(value)) {
        fits = false;
        break;
      }
      marks |= 1u << seen.Var;
    }
    TPendingSlots::Slot& slot = slots.At(seen.Id);
    if (slots.IndexIn(slot) >= 0) {
      fits = false;
      break;
    }
    slots.Record(slot, i);
    TzetItemRecycler::RefillItem(old, seen.LowerBlock, value);
  }
  // The slots only served to find a name that comes twice.
  slots.Clear();
  return fits;
}

/// The walk of the shortcuts without the reset, through Count input items, the kept pending row
/// Kept of as many items and the released row Held (and its marker): every item must go where
/// the general way puts it, into the pending item at its own position, which carries its
/// lower-cased name (a pending row has every lower-cased name once, so the packet has none
/// twice). The general way then copies the pending row into the released row; here each item
/// goes on into the released row's item at the same position, which must carry the pending
/// item's name. A value that the general way keeps out of the pending row (an empty one for a
/// variable) is not taken. False when an item did not pass: what was written into the pending
/// row by then is what the general way writes there.
bool RefillKeptItems(void* const* held, void* const* kept, void* const* inputItems, int32_t count,
                     const TObjectList& vars, TSeenNames& names, TzetItemRecycler& recycler) {
  for (int32_t i = 0; i < count; ++i) {
    const auto* item = static_cast<const TzetParamsListItem*>(inputItems[i]);
    auto* pending = static_cast<TzetParamsListItem*>(kept[i]);
    auto* old = static_cast<TzetParamsListItem*>(held[i]);
    if (!item || !pending || !old || !TzetParamsListItem::IsOwnItem(pending) ||
        !TzetParamsListItem::IsOwnItem(old))
      return false;
    const TSeenNames::Entry& seen = names.Learn(i, *item, vars, recycler);
    const platform::VariantRec& value = item->Value;
    if (seen.IsMarker || pending->LowerName.BlockPointer() != seen.LowerBlock.BlockPointer() ||
        old->Name.BlockPointer() != pending->Name.BlockPointer() ||
        !rtl::IsPlainOleScalar(value.vt) || (seen.Var >= 0 && rtl::IsEmptyValue(value)))
      return false;
    TzetItemRecycler::SetValue(pending, value);
    TzetItemRecycler::RefillItemFrom(old, *pending);
  }
  return true;
}

} // namespace

bool TAggregationEngine::RefillReleasedRow(TzetParamsListRef input, int32_t found,
                                           TzetRowsParamsList& rows) {
  const int32_t count = input.Count();
  void* const* inputItems = input.Items();
  // The shortcut writes each value as it comes. A packet that makes a row of its own brings
  // each variable once, whose value First, Min and Max keep as it came; the other strategies,
  // and any strategy where the row stays, take the general way.
  if (count <= 0 || !inputItems || (noReset_ ? mergeMask_ : reshapeMask_) != 0 ||
      !recycler_.CanRefillRow(rows, count))
    return false;
  const uint32_t all = AllMarks(vars_);
  if (noReset_) {
    // Without the reset a pending row stays after its release, and so do its variables' marks:
    // once all are set, the general way releases the row at every packet's first check point,
    // here the last item, as no item may be a marker. The group must hold a pending row of the
    // packet's length.
    if (found < 0)
      return false;
    TAggregationGroup& group = groups_[found];
    if (group.Marks != all || group.Pending.Count() != count ||
        !RefillKeptItems(rows.List(), group.Pending.List(), inputItems, count, vars_, seenNames_,
                         recycler_))
      return false;
    // Every pending value was stored now, and the row's age starts again with its next value.
    if (grouped_) {
      std::fill(group.ValueTimes.begin(), group.ValueTimes.end(), now_);
      groups_.StopAge(found);
    }
  } else {
    // With the reset the group's pending row must be empty (or the group new, opened without
    // an eviction), and the packet must bring a value for every variable, so that its items
    // are released as the row at its last item and not before.
    if (found < 0 ? groups_.Full()
                  : groups_[found].Pending.Count() != 0 || groups_[found].Marks != 0)
      return false;
    uint32_t marks = 0;
    if (!RefillItems(rows.List(), inputItems, count, vars_, seenNames_, slots_, recycler_, marks) ||
        marks != all)
      return false;
  }
  recycler_.RefillMarker(static_cast<TzetParamsListItem*>(rows.List()[count]));
  // What the general way leaves of the packet besides the row: the group had it now.
  if (grouped_)
    GroupOf(found, rows);
  stats_.RowReleased();
  return true;
}
