// Parameter lists: ordered lists of named variant values that carry command parameters, incoming
// packets and output rows between the host and the module (unit Public/Common/zetParamLst).
//
// The object layouts are part of the plug-in interface (ZetParamsListLayout and
// ZetParamsListItemLayout in zet_plugin_abi.h). A list is a C++ object whose vtable pointer stands
// where the class pointer stands, followed by the fields in the documented order and widths. An
// item is plain data: its first field is an explicit class pointer into this library's item class
// table, so that an item of either side can be read and written through the same type. Items,
// their string blocks and the item array live on the process heap, so that either side may free
// or grow them.
//
// Lists of the other side. The host builds its own lists with the same layout but its own class
// pointers and item memory. Such a list is never used as a TzetParamsList object (no member
// call, no virtual operation): it is reached through TzetParamsListRef, which reads and writes
// only the documented fields. TzetParamsListRef works on this library's lists as well, so code
// that does not know where a list came from uses it throughout. The items it hands out are
// TzetParamsListItem records of either side; their GetValue, SetValue, Assign (as source) and
// Free are safe on both.
#pragma once

#include "rtl/ansi_string.h"
#include "rtl/pointer_list.h"
#include "rtl/variant.h"

#include "zet_plugin_abi.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

struct TzetParamsListItem;
class TzetParamsList;

/// The value of a list's Signature field while it is alive.
constexpr uint32_t kParamsListSignature = ZET_LIST_SIGNATURE;
/// Name of the item that closes a row.
constexpr std::string_view kRowMarker = ZET_ROW_MARKER;
/// Unit named in the assertion failures of parameter lists.
constexpr const char* kParamsListUnit = "Public/Common/zetParamLst";

/// Class reference of an item class: what a list's ItemClass field points to.
struct TzetParamsListItemClass {
  const char* Name;
  TzetParamsListItem* (*Create)(const rtl::AnsiString& name, const rtl::Variant& value);
};

/// Class reference of a list class, so that code can create either list class.
struct TzetParamsListClass {
  const char* Name;
  TzetParamsList* (*Create)();
};

/// One named value of a parameter list.
///
/// Items are created on the process heap by Create and destroyed by Free, which works by the
/// layout alone (release both strings, clear the variant, free the memory) exactly as the other
/// side of the boundary destroys items. An item therefore never owns anything beyond these fields
/// and is never deleted with operator delete. ClassPointer points to slot 0 (Assign) of the item
/// class table; the word before it points to a type record whose second word is the class name,
/// as for lists.
struct TzetParamsListItem {
  /// Sets Name, LowerName and the value (through SetValue); State is 2 when the value's type code
  /// is 2 or more, else 0.
  TzetParamsListItem(const rtl::AnsiString& name, const rtl::Variant& value);
  ~TzetParamsListItem() = delete;
  TzetParamsListItem(const TzetParamsListItem&) = delete;
  TzetParamsListItem& operator=(const TzetParamsListItem&) = delete;

  /// Copies Name, LowerName, DeclaredType and State from Source; the value is not touched.
  /// Source may be an item of the other side.
  void Assign(const TzetParamsListItem* source);

  /// The class reference of this class (what TzetParamsList::ItemClass points to by default).
  static const TzetParamsListItemClass* ClassRef() noexcept;
  /// A new item of this class on the process heap.
  static TzetParamsListItem* Create(const rtl::AnsiString& name, const rtl::Variant& value);
  /// True when Item is an item of this library's class (its class pointer is this library's).
  static bool IsOwnItem(const void* item) noexcept {
    return item && static_cast<const TzetParamsListItem*>(item)->ClassPointer == OwnClassPointer;
  }
  /// The class pointer of this library's items.
  static const void* const OwnClassPointer;
  /// Destroys an item of either side (null is ignored).
  static void Free(void* item) noexcept;

  /// Stores the OLE-compatible copy of Value and then converts it back to Value's own type when
  /// that is a number, currency or boolean type, so that numbers keep the caller's type and 8-bit
  /// strings are held as wide strings.
  void SetValue(const rtl::Variant& value);
  /// A copy of the stored value.
  rtl::Variant GetValue() const { return rtl::Variant(Value); }

  const void* ClassPointer;
  rtl::AnsiString Name;
  rtl::AnsiString LowerName;
  uint32_t DeclaredType = 0;
  uint8_t State = 0;
  alignas(8) platform::VariantRec Value;
};

/// A parameter list of either side, reached through its documented fields only. Cheap to copy;
/// it does not own the list. A null list reads as an empty list without a valid Signature.
class TzetParamsListRef {
public:
  TzetParamsListRef(const void* list) noexcept // NOLINT: implicit, so a list pointer converts
      : list_(static_cast<ZetParamsListLayout*>(const_cast<void*>(list))) {}

  void* Pointer() const noexcept { return list_; }
  bool IsNull() const noexcept { return list_ == nullptr; }
  uint32_t Signature() const noexcept { return list_ ? list_->Signature : 0; }
  /// Not null and holding the live Signature.
  bool IsValid() const noexcept { return Signature() == kParamsListSignature; }
  /// Count, or 0 for a null list or a negative count.
  int32_t Count() const noexcept { return list_ && list_->Count > 0 ? list_->Count : 0; }
  /// The item at Index, or null outside 0..Count-1.
  TzetParamsListItem* Item(int32_t index) const noexcept {
    if (!list_ || index < 0 || index >= list_->Count || !list_->Items)
      return nullptr;
    return static_cast<TzetParamsListItem*>(list_->Items[index]);
  }
  /// The item array (Count slots), or null.
  void* const* Items() const noexcept { return list_ ? list_->Items : nullptr; }
  /// The last item, or null for an empty list.
  TzetParamsListItem* LastItem() const noexcept { return Item(Count() - 1); }
  /// True when the list's class name is "TzetRowsParamsList" (see IsRowsList).
  bool IsRowsList() const noexcept;

  /// See TzetParamsList::IndexOfName.
  int32_t IndexOfName(std::string_view name, int32_t startIndex = 0, int32_t endIndex = -1) const;
  TzetParamsListItem* FindItem(std::string_view name, int32_t startIndex = 0,
                               int32_t endIndex = -1) const;
  rtl::Variant GetValue(std::string_view name, int32_t startIndex = 0, int32_t endIndex = -1) const;
  rtl::Variant GetValueDef(std::string_view name, const rtl::Variant& defaultValue,
                           int32_t startIndex = 0, int32_t endIndex = -1) const;
  /// Stores Value in the first item named Name (never adds one): TzetParamsList::SetValue with
  /// AddIfMissing false. Answers the item, or null.
  TzetParamsListItem* SetValue(std::string_view name, const rtl::Variant& value) const;
  /// Appends a row marker, an item of this library's class on the process heap; the item array
  /// grows by reallocation on that heap. Answers the marker, or null when the list is not valid.
  TzetParamsListItem* AddNewRow() const;

private:
  ZetParamsListLayout* list_;
};

class TzetParamsList : public TList {
public:
  /// A new list with a valid Signature, a fresh ListId and the default item class.
  TzetParamsList();
  /// Sets Signature to 0 before anything else, then clears the list.
  ~TzetParamsList() override;

  /// Frees every item in ascending order, each slot emptied with the deleted notification first,
  /// then releases the array.
  void Clear() override;
  /// Appends a copy of Item (name, value, lower-cased name, declared type and state); answers the
  /// copy, or null when Item is null or its name is blank. Item may belong to a list of either
  /// side.
  virtual TzetParamsListItem* AddItem(const TzetParamsListItem* item);
  /// The class reference of this object's class.
  virtual const TzetParamsListClass* ClassType() const noexcept;

  static const TzetParamsListClass* ClassRef() noexcept;

  /// The item at Index, or null outside 0..Count-1.
  TzetParamsListItem* Item(int32_t index) const noexcept {
    return index >= 0 && index < count_ ? static_cast<TzetParamsListItem*>(list_[index]) : nullptr;
  }
  /// Index of the first item whose name equals Name regardless of ANSI case, searched from
  /// StartIndex (0 when negative) to EndIndex (the end when negative or beyond the list); -1 when
  /// absent. EndIndex -2 stops at the end of the row that holds StartIndex. Raises an assertion
  /// failure when the list has no valid Signature.
  int32_t IndexOfName(std::string_view name, int32_t startIndex = 0, int32_t endIndex = -1) const;
  /// The first matching item, or null.
  TzetParamsListItem* FindItem(std::string_view name, int32_t startIndex = 0,
                               int32_t endIndex = -1) const;
  /// The OLE-compatible copy of the first matching item's value, Empty when there is none.
  rtl::Variant GetValue(std::string_view name, int32_t startIndex = 0, int32_t endIndex = -1) const;
  /// Like GetValue, but a copy of Default when there is no match.
  rtl::Variant GetValueDef(std::string_view name, const rtl::Variant& defaultValue,
                           int32_t startIndex = 0, int32_t endIndex = -1) const;

  /// Appends a new item of ItemClass holding the OLE-compatible copy of Value, with State 2;
  /// answers it, or null (nothing added) when Name is blank after trimming codes 0..32.
  TzetParamsListItem* Add(const rtl::AnsiString& name, const rtl::Variant& value);
  /// Stores Value in the first item named Name (adding one when AddIfMissing); answers that
  /// item, or null.
  TzetParamsListItem* SetValue(std::string_view name, const rtl::Variant& value, bool addIfMissing);
  /// Appends copies of all items of Source (a list of either side); false for a null or empty
  /// Source. Raises an assertion failure when Source has no valid Signature. Source may be this
  /// list (its items are copied once).
  bool AddItems(TzetParamsListRef source);
  /// Appends a row marker.
  TzetParamsListItem* AddNewRow();
  /// Appends the items of Source and closes them with a row marker unless Source already ends
  /// with one; an empty Source appends nothing.
  void AppendRow(TzetParamsListRef source);
  /// Removes the item at Index and frees it (TList::Delete would only forget it).
  void DeleteItem(int32_t index);

  uint32_t Signature;
  rtl::AnsiString ListId;
  uint32_t Reserved;
  const TzetParamsListItemClass* ItemClass;
};

/// The list class that carries rows out of the module; told apart by its class name.
class TzetRowsParamsList : public TzetParamsList {
public:
  TzetRowsParamsList() = default;
  const TzetParamsListClass* ClassType() const noexcept override;
  static const TzetParamsListClass* ClassRef() noexcept;

  uint32_t Reserved2 = 0;
};

/// True when List's class name (reached through its class pointer as zet_plugin_abi.h describes,
/// leading decimal digits skipped) is "TzetRowsParamsList" regardless of case. Null-safe; works
/// for lists of either side.
bool IsRowsList(const void* list) noexcept;

static_assert(offsetof(TzetParamsListItem, Name) == offsetof(ZetParamsListItemLayout, Name));
static_assert(offsetof(TzetParamsListItem, LowerName) ==
              offsetof(ZetParamsListItemLayout, LowerName));
static_assert(offsetof(TzetParamsListItem, DeclaredType) ==
              offsetof(ZetParamsListItemLayout, DeclaredType));
static_assert(offsetof(TzetParamsListItem, State) == offsetof(ZetParamsListItemLayout, State));
static_assert(offsetof(TzetParamsListItem, Value) == offsetof(ZetParamsListItemLayout, Value));
static_assert(sizeof(void*) != 4 || sizeof(TzetParamsListItem) == 40, "item layout");
static_assert(sizeof(void*) != 4 || sizeof(TzetParamsList) == 32, "list layout");
static_assert(sizeof(void*) != 4 || sizeof(TzetRowsParamsList) == 36, "rows list layout");
static_assert(sizeof(TzetParamsList) == sizeof(ZetParamsListLayout), "list layout");
