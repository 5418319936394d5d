#include "data/item_recycler.h"

#include "platform/process_heap.h"
#include "rtl/trim.h"
#include "rtl/variant_types.h"

#include <algorithm>
#include <new>

using rtl::AnsiString;
using rtl::Variant;

namespace {

// A value of a type that OleCompatible does not convert is its own OLE-compatible copy.
bool IsOleCompatible(uint16_t vt) {
  return !rtl::IsOleConverted(vt);
}

} // namespace

TzetItemRecycler::~TzetItemRecycler() {
  KeepParked();
  for (TzetParamsListItem* item : items_)
    TzetParamsListItem::Free(item);
  for (void** array : arrays_)
    platform::HeapRelease(array);
}

void TzetItemRecycler::Keep(void* item) noexcept {
  if (!TzetParamsListItem::IsOwnItem(item) || items_.size() >= kMaxItems) {
    TzetParamsListItem::Free(item);
    return;
  }
  // The names stay: the item most likely takes the same names again, which then costs nothing.
  auto* it = static_cast<TzetParamsListItem*>(item);
  rtl::ClearVariant(it->Value);
  items_.push_back(it); // capacity reserved below kMaxItems: see Clear
}

bool TzetItemRecycler::ReserveKept() noexcept {
  if (items_.capacity() >= kMaxItems)
    return true;
  try {
    items_.reserve(kMaxItems);
    arrays_.reserve(kMaxArrays);
    return true;
  } catch (...) {
    return false;
  }
}

void TzetItemRecycler::Clear(TzetParamsList& list) noexcept {
  const int32_t count = list.Count();
  if (!ReserveKept()) {
    list.Clear();
    return;
  }
  void** array = list.TakeArray();
  // Kept last to first, so that they are taken again in their order in the list: a row of the
  // same names as the last one gets each item back with its own names.
  for (int32_t i = count - 1; i >= 0; --i) {
    void* item = array[i];
    array[i] = nullptr;
    if (item) {
      list.Notify(item, lnDeleted);
      Keep(item);
    }
  }
  if (!array)
    return;
  if (arrays_.size() < kMaxArrays)
    arrays_.push_back(array);
  else
    platform::HeapRelease(array);
}

void TzetItemRecycler::KeepParked() noexcept {
  if (parkedLeft_ <= 0) {
    // Every parked item was taken again: the slots are empty.
    parked_.Forget();
    return;
  }
  parkedLeft_ = 0;
  void** array = parked_.List();
  // Last to first, as Clear keeps them.
  for (int32_t i = parked_.Count() - 1; i >= 0; --i) {
    if (void* item = array[i]) {
      array[i] = nullptr;
      Keep(item);
    }
  }
  parked_.Forget();
}

void TzetItemRecycler::Park(TzetParamsList& list) noexcept {
  if (list.Count() == 0 || !UsesOwnItems(list)) {
    Clear(list);
    return;
  }
  if (!ReserveKept()) {
    list.Clear();
    return;
  }
  KeepParked();
  // The parked row's emptied array is kept like the arrays Clear keeps, and the list takes the
  // parked row's place without one: it is left exactly as Clear leaves it.
  if (void** spare = parked_.TakeArray()) {
    if (arrays_.size() < kMaxArrays)
      arrays_.push_back(spare);
    else
      platform::HeapRelease(spare);
  }
  parked_.SwapContents(list);
  parkedLeft_ = parked_.Count();
}

TzetParamsListItem* TzetItemRecycler::TakeKeptItem(const AnsiString& name) {
  TzetParamsListItem* item;
  if (items_.empty()) {
    item = TzetParamsListItem::Create(name, Variant());
  } else {
    item = items_.back();
    items_.pop_back();
    item->Name = name;
  }
  item->DeclaredType = 0;
  item->State = ZET_ITEM_STATE_ASSIGNED;
  return item;
}

TzetParamsListItem* TzetItemRecycler::AppendGrowing(TzetParamsList& list,
                                                    TzetParamsListItem* item) {
  if (!list.List() && !arrays_.empty()) {
    list.AdoptArray(arrays_.back());
    if (list.List() == arrays_.back()) {
      arrays_.pop_back();
      // Grown at once to what the parked row needed: a row of the same shape then grows no
      // further, and AddNewRow gives a smaller row the capacity the usual steps give it.
      try {
        list.SetCapacity(StepCapacity(std::max(list.Count() + 1, parked_.Count())));
      } catch (...) {
        // The steps below grow it as far as the block allows.
      }
    }
  }
  try {
    static_cast<TList&>(list).Add(item);
  } catch (...) {
    Keep(item);
    throw;
  }
  return item;
}

AnsiString TzetItemRecycler::SharedLowerName(const AnsiString& name, std::string_view lowered) {
  if (name.View() == lowered)
    return name;
  const auto found = names_.find(lowered);
  if (found != names_.end())
    return found->second;
  if (names_.size() >= kMaxNames)
    names_.clear();
  AnsiString block(lowered);
  const std::string_view key = block.View();
  return names_.emplace(key, std::move(block)).first->second;
}

TzetParamsListItem* TzetItemRecycler::Add(TzetParamsList& list, const AnsiString& name,
                                          std::string_view lowered, Variant&& value) {
  return AddLowered(list, name, SharedLowerName(name, lowered), std::move(value));
}

TzetParamsListItem* TzetItemRecycler::AddLoweredTaking(TzetParamsList& list, const AnsiString& name,
                                                       const AnsiString& lowerBlock,
                                                       Variant&& value) {
  if (!UsesOwnItems(list) || !IsOleCompatible(value.Type()))
    return list.Add(name, value);
  if (rtl::IsBlankText(name.View()))
    return nullptr;
  TzetParamsListItem* item = TakeItem(list, name);
  item->LowerName = lowerBlock;
  item->Value = value.Detach();
  return Append(list, item);
}

void TzetItemRecycler::SetValue(TzetParamsListItem* item, Variant&& value) {
  if (!IsOleCompatible(value.Type())) {
    item->SetValue(value);
    return;
  }
  // What SetValue would store: the value's own OLE-compatible copy, in its own type.
  rtl::ClearVariant(item->Value);
  item->Value = value.Detach();
}

TzetParamsListItem* TzetItemRecycler::AddNewRow(TzetParamsList& list) {
  if (!UsesOwnItems(list))
    return list.AddNewRow();
  if (marker_.IsEmpty()) {
    marker_ = AnsiString(kRowMarker);
    markerLower_ = marker_.Lowered();
  }
  TzetParamsListItem* item = TakeItem(list, marker_);
  RefillMarker(item);
  Append(list, item);
  // A row leaves with the capacity a list filled step by step has.
  const int32_t steps = StepCapacity(list.Count());
  if (list.Capacity() > steps) {
    try {
      list.SetCapacity(steps);
    } catch (...) {
      // A larger capacity is as sound, only not the usual one.
    }
  }
  return item;
}

void TzetItemRecycler::AppendRow(TzetParamsList& list, const TzetParamsList& source) {
  if (&list == &source || !UsesOwnItems(list)) {
    list.AppendRow(&source);
    return;
  }
  const int32_t count = source.Count();
  if (count <= 0)
    return;
  for (int32_t i = 0; i < count; ++i) {
    const TzetParamsListItem* from = source.Item(i);
    if (!from || rtl::IsBlankText(from->Name.View()))
      continue;
    // AddItem: a copy of the name, value, lower-cased name, declared type and state. A number
    // held in the record is its own OLE-compatible copy and is copied as it stands.
    TzetParamsListItem* item;
    if (rtl::IsPlainOleScalar(from->Value.vt)) {
      // The parked item's old value is freed as the number is stored; a kept item holds none.
      if ((item = TakeParked(list, from->Name)) != nullptr) {
        StoreValue(item->Value, from->Value);
      } else {
        item = TakeKeptItem(from->Name);
        item->Value = from->Value;
      }
    } else {
      Variant value = Variant::OleCompatibleCopy(from->Value);
      if (!IsOleCompatible(value.Type())) {
        list.AddItem(from);
        continue;
      }
      item = TakeItem(list, from->Name);
      item->Value = value.Detach();
    }
    item->LowerName = from->LowerName;
    item->DeclaredType = from->DeclaredType;
    item->State = from->State;
    Append(list, item);
  }
  const TzetParamsListItem* last = source.Item(count - 1);
  if (!last || last->Name.View() != kRowMarker)
    AddNewRow(list);
}

bool TzetItemRecycler::RefillRowFrom(TzetParamsList& list, const TzetParamsList& source) noexcept {
  const int32_t count = source.Count();
  if (&list == &source || count <= 0 || !CanRefillRow(list, count))
    return false;
  void* const* from = source.List();
  void* const* to = list.List();
  // AppendRow adds no marker after a Source that ends with one.
  const auto* last = static_cast<const TzetParamsListItem*>(from[count - 1]);
  if (!last || last->Name.View() == kRowMarker)
    return false;
  // Each item is written as soon as it passes; see the declaration for one that does not.
  for (int32_t i = 0; i < count; ++i) {
    const auto* item = static_cast<const TzetParamsListItem*>(from[i]);
    auto* held = static_cast<TzetParamsListItem*>(to[i]);
    if (!item || !held || !TzetParamsListItem::IsOwnItem(item) ||
        !TzetParamsListItem::IsOwnItem(held) ||
        held->Name.BlockPointer() != item->Name.BlockPointer() ||
        !rtl::IsPlainOleScalar(item->Value.vt))
      return false;
    RefillItemFrom(held, *item);
  }
  RefillMarker(static_cast<TzetParamsListItem*>(to[count]));
  return true;
}

bool TzetItemRecycler::CheckInvariants() const noexcept {
  int32_t left = 0;
  for (int32_t i = 0; i < parked_.Count(); ++i)
    left += parked_.Get(i) != nullptr ? 1 : 0;
  return parkedLeft_ >= left && parkedLeft_ <= parked_.Count() && items_.size() <= kMaxItems &&
         arrays_.size() <= kMaxArrays && names_.size() <= kMaxNames;
}
