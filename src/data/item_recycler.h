// Reuse of the items and item arrays of parameter lists that one owner empties and fills again on
// every call (the output rows and the pending row of a data handler).
//
// Emptying a list through the recycler leaves it exactly as Clear does (no items, Count and
// Capacity 0, no array), but this library's items and the array are kept instead of freed, and
// the next lists filled through the recycler take them again. Items and arrays stay blocks of
// the process heap, so everything the other side may free or grow is still its to free or grow;
// items of the other side are freed as Clear frees them. Lower-cased names are shared through
// their reference count: a name seen once is not copied again. Not thread-safe: its owner
// serialises the calls.
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
  /// List.Add(Name, Value) with Lowered as the name's lower-cased form (as AnsiString::Lowered
  /// gives it). Value is taken over.
  TzetParamsListItem* Add(TzetParamsList& list, const rtl::AnsiString& name,
                          std::string_view lowered, rtl::Variant&& value);
  /// Add with the lower-cased name given as the shared block that SharedLowerName answered for
  /// Name: the item's lower-cased name then costs a reference count at most.
  TzetParamsListItem* AddLowered(TzetParamsList& list, const rtl::AnsiString& name,
                                 const rtl::AnsiString& lowerBlock, rtl::Variant&& value);
  /// The shared block holding Lowered, the lower-cased form of Name: Name's own block when they
  /// are equal, else the one kept for that text. A caller that keeps it passes it to AddLowered.
  rtl::AnsiString SharedLowerName(const rtl::AnsiString& name, std::string_view lowered);
  /// Item.SetValue(Value) for an item of any list; Value is taken over.
  static void SetValue(TzetParamsListItem* item, rtl::Variant&& value);
  /// List.AddNewRow().
  TzetParamsListItem* AddNewRow(TzetParamsList& list);
  /// List.AppendRow(Source) for a Source other than List.
  void AppendRow(TzetParamsList& list, const TzetParamsList& source);

  /// Bounds of what is kept: items, spare arrays and shared lower-cased names.
  static constexpr std::size_t kMaxItems = 4096;
  static constexpr std::size_t kMaxArrays = 8;
  static constexpr std::size_t kMaxNames = 4096;

private:
  /// A kept item or a new one, with Name, DeclaredType 0, State assigned and an Empty value, not
  /// yet in a list; its LowerName is still the one it had and must be set by the caller.
  TzetParamsListItem* TakeItem(const rtl::AnsiString& name);
  /// Appends Item to List, giving the list a kept array when it has none; Item is kept again
  /// when that fails.
  TzetParamsListItem* Append(TzetParamsList& list, TzetParamsListItem* item);
  void Keep(void* item) noexcept;
  static bool UsesOwnItems(const TzetParamsList& list) noexcept {
    return !list.ItemClass || list.ItemClass == TzetParamsListItem::ClassRef();
  }

  std::vector<TzetParamsListItem*> items_;
  std::vector<void**> arrays_;
  std::unordered_map<std::string_view, rtl::AnsiString> names_;
  rtl::AnsiString marker_;
  rtl::AnsiString markerLower_;
};
