// Reuse of the items and item arrays of parameter lists that one owner empties and fills again on
// every call (the output rows and the pending row of a data handler).
//
// Emptying a list through the recycler leaves it exactly as Clear does (no items, Count and
// Capacity 0, no array), but this library's items and the array are kept instead of freed, and
// the next lists filled through the recycler take them again. Items and arrays stay blocks of
// the process heap, so everything the other side may free or grow is still its to free or grow;
// items of the other side are freed as Clear frees them. Lower-cased names are shared through
// their reference count: a name seen once is not copied again.
//
// An output row that is emptied for the next call can be parked instead: its items stay in their
// order, names and all, and a list filled through the recycler takes the item that stands at its
// own next position when it carries the same name block. Rows of the same shape as the last one,
// which a data stream nearly always sends, then cost neither names nor list slots. Not
// thread-safe: its owner serialises the calls.
#pragma once

#include "data/params_list.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

class TzetItemRecycler {
public:
  TzetItemRecycler() = default;
  ~TzetItemRecycler();
  TzetItemRecycler(const TzetItemRecycler&) = delete;
  TzetItemRecycler& operator=(const TzetItemRecycler&) = delete;

  /// Empties List as TzetParamsList::Clear does and keeps its items and array for reuse.
  void Clear(TzetParamsList& list) noexcept;
  /// Empties a list that is about to be filled again, as Clear does, but parks its items where
  /// they stand (a List without items leaves the parked row as it is). The items of the row
  /// parked before that were not taken again are kept as Clear keeps them.
  void Park(TzetParamsList& list) noexcept;
  /// List.Add(Name, Value) with Lowered as the name's lower-cased form (as AnsiString::Lowered
  /// gives it). Value is taken over.
  TzetParamsListItem* Add(TzetParamsList& list, const rtl::AnsiString& name,
                          std::string_view lowered, rtl::Variant&& value);
  /// Add with the lower-cased name given as the shared block that SharedLowerName answered for
  /// Name: the item's lower-cased name then costs a reference count at most.
  TzetParamsListItem* AddLowered(TzetParamsList& list, const rtl::AnsiString& name,
                                 const rtl::AnsiString& lowerBlock, rtl::Variant&& value) {
    if (rtl::IsPlainOleScalar(value.Type()))
      return AddLowered(list, name, lowerBlock, value.Rec());
    return AddLoweredTaking(list, name, lowerBlock, std::move(value));
  }
  /// AddLowered with the value given as a record: the item gets its OLE-compatible copy.
  TzetParamsListItem* AddLowered(TzetParamsList& list, const rtl::AnsiString& name,
                                 const rtl::AnsiString& lowerBlock,
                                 const platform::VariantRec& value) {
    // The steady state of a data stream, without a call: the parked item of the next position
    // carries the name, the value is a number held in the record, and the list has room.
    if (rtl::IsPlainOleScalar(value.vt) && UsesOwnItems(list)) {
      // An item of this library's class only ever got a name that is not blank.
      if (TzetParamsListItem* item = TakeParked(list, name)) {
        RefillItem(item, lowerBlock, value);
        return Append(list, item);
      }
    }
    return AddLoweredTaking(list, name, lowerBlock, rtl::Variant::OleCompatibleCopy(value));
  }
  /// The shared block holding Lowered, the lower-cased form of Name: Name's own block when they
  /// are equal, else the one kept for that text. A caller that keeps it passes it to AddLowered.
  rtl::AnsiString SharedLowerName(const rtl::AnsiString& name, std::string_view lowered);
  /// Item.SetValue(Value) for an item of any list; Value is taken over.
  static void SetValue(TzetParamsListItem* item, rtl::Variant&& value);
  /// SetValue with the value given as a record: the item gets its OLE-compatible copy.
  static void SetValue(TzetParamsListItem* item, const platform::VariantRec& value) {
    if (rtl::IsPlainOleScalar(value.vt))
      StoreValue(item->Value, value);
    else
      SetValue(item, rtl::Variant::OleCompatibleCopy(value));
  }
  /// List.AddNewRow().
  TzetParamsListItem* AddNewRow(TzetParamsList& list);

  /// Filling a released row again in place, for a row of the same names as the one before:
  /// true when List is a row of Count items and the row marker after them, as AddNewRow closes
  /// it (the marker and the list this library's, the capacity the usual steps give). The caller
  /// checks the Count items themselves (IsOwnItem, their names).
  bool CanRefillRow(const TzetParamsList& list, int32_t count) const noexcept {
    if (!UsesOwnItems(list) || list.Count() != count + 1 ||
        list.Capacity() != StepCapacity(count + 1) || marker_.IsEmpty())
      return false;
    const TzetParamsListItem* marker = list.Item(count);
    return marker && TzetParamsListItem::IsOwnItem(marker) &&
           marker->Name.BlockPointer() == marker_.BlockPointer();
  }
  /// Gives Item (of such a row, its name kept) what AddLowered gives the parked item it takes:
  /// Value (a number held in the record), Lowered as the lower-cased name, declared type 0,
  /// state assigned.
  static void RefillItem(TzetParamsListItem* item, const rtl::AnsiString& lowered,
                         const platform::VariantRec& value) noexcept {
    StoreValue(item->Value, value);
    item->LowerName = lowered;
    item->DeclaredType = 0;
    item->State = ZET_ITEM_STATE_ASSIGNED;
  }
  /// Gives Item (of such a row, its name kept) what AppendRow copies from Source, an item of
  /// this library's whose value is a number held in the record.
  static void RefillItemFrom(TzetParamsListItem* item, const TzetParamsListItem& source) noexcept {
    StoreValue(item->Value, source.Value);
    item->LowerName = source.LowerName;
    item->DeclaredType = source.DeclaredType;
    item->State = source.State;
  }
  /// AppendRow(List, Source) for a List that is to be emptied first, done in place when List
  /// still holds such a row with Source's items' names in Source's order: every item of Source
  /// this library's with a number held in the record, the last one no row marker. True when
  /// done; false when List must be emptied (Park) and filled the general way, which writes
  /// again or empties every item this may have written by then.
  bool RefillRowFrom(TzetParamsList& list, const TzetParamsList& source) noexcept;
  /// Gives the marker of such a row (or the item AddNewRow takes for one) a row marker's
  /// contents: a Null value, the lower-cased marker name, declared type 0, state assigned.
  void RefillMarker(TzetParamsListItem* marker) noexcept {
    rtl::ClearVariant(marker->Value);
    marker->Value.vt = platform::vtNull;
    marker->LowerName = markerLower_;
    marker->DeclaredType = 0;
    marker->State = ZET_ITEM_STATE_ASSIGNED;
  }
  /// List.AppendRow(Source) for a Source other than List.
  void AppendRow(TzetParamsList& list, const TzetParamsList& source);

  /// True when what is kept stays within its bounds and the count of parked items left is at
  /// least the parked items not taken again and at most the parked row's length. For tests.
  bool CheckInvariants() const noexcept;

  /// Bounds of what is kept: items, spare arrays and shared lower-cased names.
  static constexpr std::size_t kMaxItems = 4096;
  static constexpr std::size_t kMaxArrays = 8;
  static constexpr std::size_t kMaxNames = 4096;

private:
  /// Dest := Plain, a record of a plain type, freeing what Dest held.
  static void StoreValue(platform::VariantRec& dest, const platform::VariantRec& plain) noexcept {
    if (!rtl::IsPlainScalar(dest.vt))
      rtl::ClearOwnedVariant(dest);
    dest = plain;
  }
  /// AddLowered for every other case.
  TzetParamsListItem* AddLoweredTaking(TzetParamsList& list, const rtl::AnsiString& name,
                                       const rtl::AnsiString& lowerBlock, rtl::Variant&& value);
  /// The parked items: a pointer list whose count its owner may drop without notifications.
  class TParkedRow : public TList {
  public:
    void Forget() noexcept { count_ = 0; }
  };

  /// The item for the next position of List: the parked item at that position when it carries
  /// Name's block, else a kept item or a new one. It has Name, DeclaredType 0, State assigned
  /// and an Empty value and is not yet in a list; its LowerName is still the one it had and must
  /// be set by the caller.
  TzetParamsListItem* TakeItem(const TzetParamsList& list, const rtl::AnsiString& name) {
    if (TzetParamsListItem* item = TakeParked(list, name)) {
      rtl::ClearVariant(item->Value);
      item->DeclaredType = 0;
      item->State = ZET_ITEM_STATE_ASSIGNED;
      return item;
    }
    return TakeKeptItem(name);
  }
  /// The parked item at List's next position when it is this library's and carries Name's
  /// block, taken out of the parked row as it stands; else null.
  TzetParamsListItem* TakeParked(const TzetParamsList& list, const rtl::AnsiString& name) {
    const int32_t at = list.Count();
    if (at >= parked_.Count())
      return nullptr;
    void*& slot = parked_.List()[at];
    auto* item = static_cast<TzetParamsListItem*>(slot);
    if (!item || item->Name.BlockPointer() != name.BlockPointer() ||
        !TzetParamsListItem::IsOwnItem(item))
      return nullptr;
    slot = nullptr;
    --parkedLeft_;
    return item;
  }
  TzetParamsListItem* TakeKeptItem(const rtl::AnsiString& name);
  /// Appends Item to List, giving the list a kept array when it has none; Item is kept again
  /// when that fails.
  TzetParamsListItem* Append(TzetParamsList& list, TzetParamsListItem* item) {
    if (list.Count() < list.Capacity()) {
      static_cast<TList&>(list).Add(item); // within the capacity: cannot fail
      return item;
    }
    return AppendGrowing(list, item);
  }
  TzetParamsListItem* AppendGrowing(TzetParamsList& list, TzetParamsListItem* item);
  /// Room for everything Clear and Park keep, so that keeping cannot fail; false when there is
  /// none (the caller then empties the list as Clear does).
  bool ReserveKept() noexcept;
  /// The capacity the usual growth steps give a list of Count items filled from empty.
  static int32_t StepCapacity(int32_t count) noexcept {
    int32_t capacity = 0;
    while (capacity < count)
      capacity = TList::GrownCapacity(capacity);
    return capacity;
  }
  void Keep(void* item) noexcept;
  /// Keeps the parked items that were not taken again.
  void KeepParked() noexcept;
  bool UsesOwnItems(const TzetParamsList& list) const noexcept {
    return !list.ItemClass || list.ItemClass == ownItemClass_;
  }

  const TzetParamsListItemClass* const ownItemClass_ = TzetParamsListItem::ClassRef();
  TParkedRow parked_;
  /// At least the number of parked items not taken again (null slots of a parked list count).
  int32_t parkedLeft_ = 0;
  std::vector<TzetParamsListItem*> items_;
  std::vector<void**> arrays_;
  std::unordered_map<std::string_view, rtl::AnsiString> names_;
  rtl::AnsiString marker_;
  rtl::AnsiString markerLower_;
};
