// The plain path's shortcut for the steady state of a data stream with reset: a device sends the
// same names in every packet, each packet makes a row of its own, and the row released by the
// last call comes back to be emptied for the next. Filling that row again in place gives the host
// the very row the general way would build (the same items, in the same order, with the same
// names, values, capacity and marker) without parking it, taking its items back one by one and
// handing the pending row over.
#include "filter/aggregation_plugin.h"

bool TaPlugin::RefillReleasedRow(TzetRowsParamsList& rows, void* const* inputItems, int32_t count,
                                 const TObjectList& vars) {
  // The general way would start a new pending row and hand it over whole: reset mode, nothing
  // pending, a released row of the packet's length.
  if (!RefillRows || NoReset || Grouped || !inputItems || count <= 0 || Pending->Count() != 0 ||
      !Recycler.CanRefillRow(rows, count))
    return false;

  // One walk: every item must be stored the way the general way stores it (a number held in
  // the record, under a name the row already carries at its position), no name may come twice
  // (the general way would merge them), and the packet must bring a value for every variable,
  // so that the row is released at its last item and not before. Each item is written as soon
  // as it passes: when a later one does not, the general way parks this row before it builds
  // the next one, and every item it parks is written again or emptied there, so nothing
  // written here shows.
  void* const* held = rows.List();
  int32_t received = 0;
  bool fits = true;
  for (int32_t i = 0; i < count; ++i) {
    const auto* item = static_cast<const TzetParamsListItem*>(inputItems[i]);
    auto* old = static_cast<TzetParamsListItem*>(held[i]);
    if (!item || !old || !TzetParamsListItem::IsOwnItem(old)) {
      fits = false;
      break;
    }
    const TSeenNames::Entry& seen = SeenNames.Learn(i, *item, vars, Recycler);
    const platform::VariantRec& value = item->Value;
    if (seen.IsMarker || old->Name.BlockPointer() != seen.Name.BlockPointer() ||
        !rtl::IsPlainOleScalar(value.vt)) {
      fits = false;
      break;
    }
    if (seen.Var >= 0) {
      // An empty value would leave its variable unmarked: the row would not be released here.
      if (rtl::IsEmptyValue(value)) {
        fits = false;
        break;
      }
      ++received;
    }
    TPendingSlots::Slot& slot = Slots.At(seen.Id);
    if (Slots.IndexIn(slot) >= 0) {
      fits = false;
      break;
    }
    Slots.Record(slot, i);
    TzetItemRecycler::RefillItem(old, seen.LowerBlock, value);
  }
  // The slots only served to find a name that comes twice; the pending row is still empty.
  Slots.Clear();
  if (!fits || received != vars.Count())
    return false;
  Recycler.RefillMarker(static_cast<TzetParamsListItem*>(held[count]));
  return true;
}
