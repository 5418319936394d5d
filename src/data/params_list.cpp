#include "data/params_list.h"

#include "platform/codepage.h"
#include "platform/process_heap.h"
#include "rtl/exceptions.h"
#include "rtl/guid_text.h"
#include "rtl/trim.h"
#include "rtl/variant_types.h"

#include <algorithm>
#include <climits>
#include <new>
#include <string>

using platform::VariantRec;
using rtl::AnsiString;
using rtl::Variant;

namespace {

TzetParamsList* CreatePlainList() {
  return new TzetParamsList();
}
TzetParamsList* CreateRowsList() {
  return new TzetRowsParamsList();
}

constexpr TzetParamsListItemClass kItemClass{"TzetParamsListItem", &TzetParamsListItem::Create};
constexpr TzetParamsListClass kPlainListClass{"TzetParamsList", &CreatePlainList};
constexpr TzetParamsListClass kRowsListClass{"TzetRowsParamsList", &CreateRowsList};

// The item class table: the type record with the class name, then slot 0, Assign. An item's
// ClassPointer points to slot 0, so the word before it reaches the type record.
struct ItemTypeRecord {
  const void* Reserved;
  const char* Name;
};
struct ItemClassTable {
  const ItemTypeRecord* Type;
  void (*Assign)(TzetParamsListItem* self, const TzetParamsListItem* source);
};
void AssignSlot(TzetParamsListItem* self, const TzetParamsListItem* source) {
  self->Assign(source);
}
constexpr ItemTypeRecord kItemType{nullptr, "18TzetParamsListItem"};
constexpr ItemClassTable kItemTable{&kItemType, &AssignSlot};

// Largest item count a list can reach: its array size must fit a signed 32-bit byte count.
constexpr int32_t kMaxItems = INT32_MAX / 16;

// The fields a search reads, taken from a list of either side.
struct ListFields {
  uint32_t Signature;
  int32_t Count;
  void* const* Items;
};

ListFields FieldsOf(const TzetParamsList& list) {
  return {list.Signature, list.Count(), list.List()};
}

TzetParamsListItem* ItemIn(const ListFields& f, int32_t index) {
  if (index < 0 || index >= f.Count || !f.Items)
    return nullptr;
  return static_cast<TzetParamsListItem*>(f.Items[index]);
}

int32_t IndexOfNameIn(const ListFields& f, std::string_view name, int32_t startIndex,
                      int32_t endIndex) {
  if (f.Signature != kParamsListSignature)
    rtl::AssertionFailure("Assertion failure", kParamsListUnit, __LINE__);
  if (f.Count <= 0)
    return -1;
  std::string lowered(name);
  platform::AnsiLowerInPlace(lowered.data(), lowered.size());
  const int32_t first = startIndex < 0 ? 0 : startIndex;
  const int32_t last = endIndex < 0 || endIndex >= f.Count ? f.Count - 1 : endIndex;
  for (int32_t i = first; i <= last; ++i) {
    const TzetParamsListItem* item = ItemIn(f, i);
    if (!item)
      continue;
    if (item->LowerName.View() == lowered)
      return i;
    // The name test comes first, so the marker itself can be found.
    if (endIndex == -2 && item->Name.View() == kRowMarker)
      return -1;
  }
  return -1;
}

TzetParamsListItem* FindItemIn(const ListFields& f, std::string_view name, int32_t startIndex,
                               int32_t endIndex) {
  if (f.Count <= 0)
    return nullptr;
  return ItemIn(f, IndexOfNameIn(f, name, startIndex, endIndex));
}

Variant GetValueIn(const ListFields& f, std::string_view name, int32_t startIndex,
                   int32_t endIndex) {
  if (f.Count <= 0)
    return Variant();
  const TzetParamsListItem* item = FindItemIn(f, name, startIndex, endIndex);
  return item ? Variant::OleCompatibleCopy(item->Value) : Variant();
}

Variant GetValueDefIn(const ListFields& f, std::string_view name, const Variant& defaultValue,
                      int32_t startIndex, int32_t endIndex) {
  if (f.Count <= 0)
    return defaultValue;
  const TzetParamsListItem* item = FindItemIn(f, name, startIndex, endIndex);
  return item ? Variant::OleCompatibleCopy(item->Value) : defaultValue;
}

// Stores Value in Item as TzetParamsList::SetValue does: an 8-bit string goes in as a wide one.
void StoreValue(TzetParamsListItem* item, const Variant& value) {
  if (value.Type() == platform::vtAnsiString)
    item->SetValue(Variant::FromAnsiText(value.ToText()));
  else
    item->SetValue(value);
}

} // namespace

// ---- items
// ---------------------------------------------------------------------------------------

TzetParamsListItem::TzetParamsListItem(const AnsiString& name, const Variant& value)
    : ClassPointer(&kItemTable.Assign), Name(name), LowerName(name.Lowered()) {
  platform::OleVariantInit(Value);
  SetValue(value);
  State = value.Type() >= platform::vtI2 ? ZET_ITEM_STATE_ASSIGNED : 0;
}

void TzetParamsListItem::Assign(const TzetParamsListItem* source) {
  if (!source || source == this)
    return;
  Name = source->Name;
  LowerName = source->LowerName;
  DeclaredType = source->DeclaredType;
  State = source->State;
}

const void* const TzetParamsListItem::OwnClassPointer = &kItemTable.Assign;

const TzetParamsListItemClass* TzetParamsListItem::ClassRef() noexcept {
  return &kItemClass;
}

TzetParamsListItem* TzetParamsListItem::Create(const AnsiString& name, const Variant& value) {
  void* memory = platform::HeapAllocate(sizeof(TzetParamsListItem));
  try {
    return new (memory) TzetParamsListItem(name, value);
  } catch (...) {
    platform::HeapRelease(memory);
    throw;
  }
}

void TzetParamsListItem::Free(void* item) noexcept {
  if (!item)
    return;
  // By the layout only, as the other side frees items: the string fields are not destroyed as
  // C++ members, their blocks are released here and the memory goes back to the process heap.
  auto* it = static_cast<TzetParamsListItem*>(item);
  AnsiString::Release(it->Name.BlockPointer());
  AnsiString::Release(it->LowerName.BlockPointer());
  rtl::ClearVariant(it->Value);
  platform::HeapRelease(item);
}

void TzetParamsListItem::SetValue(const Variant& value) {
  Variant stored = value.OleCompatible();
  // A converted number goes back to the caller's type. Converting to the type the value already
  // has would copy it onto itself.
  if (rtl::IsOleConvertedNumber(value.Type()) && stored.Type() != value.Type())
    platform::OleVariantChangeType(stored.Rec(), stored.Rec(), 0, value.Type()); // result ignored
  rtl::ClearVariant(Value);
  Value = stored.Detach();
}

// ---- lists of either side
// ------------------------------------------------------------------------

bool TzetParamsListRef::IsRowsList() const noexcept {
  return ::IsRowsList(list_);
}

int32_t TzetParamsListRef::IndexOfName(std::string_view name, int32_t startIndex,
                                       int32_t endIndex) const {
  ListFields f = list_ ? ListFields{list_->Signature, list_->Count, list_->Items} : ListFields{};
  return IndexOfNameIn(f, name, startIndex, endIndex);
}

TzetParamsListItem* TzetParamsListRef::FindItem(std::string_view name, int32_t startIndex,
                                                int32_t endIndex) const {
  if (Count() == 0)
    return nullptr;
  return FindItemIn({list_->Signature, list_->Count, list_->Items}, name, startIndex, endIndex);
}

Variant TzetParamsListRef::GetValue(std::string_view name, int32_t startIndex,
                                    int32_t endIndex) const {
  if (Count() == 0)
    return Variant();
  return GetValueIn({list_->Signature, list_->Count, list_->Items}, name, startIndex, endIndex);
}

Variant TzetParamsListRef::GetValueDef(std::string_view name, const Variant& defaultValue,
                                       int32_t startIndex, int32_t endIndex) const {
  if (Count() == 0)
    return defaultValue;
  return GetValueDefIn({list_->Signature, list_->Count, list_->Items}, name, defaultValue,
                       startIndex, endIndex);
}

TzetParamsListItem* TzetParamsListRef::SetValue(std::string_view name, const Variant& value) const {
  TzetParamsListItem* item = FindItem(name, 0, -1);
  if (item)
    StoreValue(item, value);
  return item;
}

TzetParamsListItem* TzetParamsListRef::AddNewRow() const {
  if (!IsValid() || list_->Count < 0 || list_->Count >= kMaxItems)
    return nullptr;
  const int32_t count = list_->Count;
  const int32_t capacity = list_->Items ? list_->Capacity : 0;
  TzetParamsListItem* marker = TzetParamsListItem::Create(AnsiString(kRowMarker), Variant::Null());
  marker->State = ZET_ITEM_STATE_ASSIGNED;
  if (count >= capacity) {
    const int32_t grown = TList::GrownCapacity(count > capacity ? count : capacity);
    try {
      void** items = static_cast<void**>(
          platform::HeapReallocate(list_->Items, static_cast<std::size_t>(grown) * sizeof(void*)));
      // A host list that counts items without an item array gets unfilled slots for them.
      if (!list_->Items)
        std::fill(items, items + count, nullptr);
      list_->Items = items;
    } catch (...) {
      TzetParamsListItem::Free(marker);
      throw;
    }
    list_->Capacity = grown;
  }
  list_->Items[count] = marker;
  list_->Count = count + 1;
  return marker;
}

// ---- this library's lists
// ------------------------------------------------------------------------

TzetParamsList::TzetParamsList()
    : Signature(kParamsListSignature), ListId(rtl::NewGuidString()), Reserved(0),
      ItemClass(TzetParamsListItem::ClassRef()) {}

TzetParamsList::~TzetParamsList() {
  // The other side tests Signature to tell a live list; the store must not be dropped as a dead
  // store to an object whose life ends, hence volatile.
  *static_cast<volatile uint32_t*>(&Signature) = 0;
  TzetParamsList::Clear();
}

void TzetParamsList::Clear() {
  for (int32_t i = 0; i < count_; ++i) {
    void* item = list_[i];
    list_[i] = nullptr;
    if (item) {
      Notify(item, lnDeleted);
      TzetParamsListItem::Free(item);
    }
  }
  count_ = 0;
  capacity_ = 0;
  platform::HeapRelease(list_);
  list_ = nullptr;
}

const TzetParamsListClass* TzetParamsList::ClassType() const noexcept {
  return &kPlainListClass;
}
const TzetParamsListClass* TzetParamsList::ClassRef() noexcept {
  return &kPlainListClass;
}

int32_t TzetParamsList::IndexOfName(std::string_view name, int32_t startIndex,
                                    int32_t endIndex) const {
  return IndexOfNameIn(FieldsOf(*this), name, startIndex, endIndex);
}

TzetParamsListItem* TzetParamsList::FindItem(std::string_view name, int32_t startIndex,
                                             int32_t endIndex) const {
  return FindItemIn(FieldsOf(*this), name, startIndex, endIndex);
}

Variant TzetParamsList::GetValue(std::string_view name, int32_t startIndex,
                                 int32_t endIndex) const {
  return GetValueIn(FieldsOf(*this), name, startIndex, endIndex);
}

Variant TzetParamsList::GetValueDef(std::string_view name, const Variant& defaultValue,
                                    int32_t startIndex, int32_t endIndex) const {
  return GetValueDefIn(FieldsOf(*this), name, defaultValue, startIndex, endIndex);
}

TzetParamsListItem* TzetParamsList::Add(const AnsiString& name, const Variant& value) {
  // A name that holds nothing but characters up to blank is not added to a list.
  if (rtl::IsBlankText(name.View()))
    return nullptr;
  Variant converted = value.Type() == platform::vtAnsiString ? Variant::FromAnsiText(value.ToText())
                                                             : value.OleCompatible();
  const TzetParamsListItemClass* itemClass = ItemClass ? ItemClass : TzetParamsListItem::ClassRef();
  TzetParamsListItem* item = itemClass->Create(name, converted);
  item->State = ZET_ITEM_STATE_ASSIGNED;
  try {
    TList::Add(item);
  } catch (...) {
    TzetParamsListItem::Free(item);
    throw;
  }
  return item;
}

TzetParamsListItem* TzetParamsList::SetValue(std::string_view name, const Variant& value,
                                             bool addIfMissing) {
  TzetParamsListItem* item = FindItem(name, 0, -1);
  if (!item && addIfMissing)
    item = Add(AnsiString(name), Variant::Null());
  if (!item)
    return nullptr;
  StoreValue(item, value);
  return item;
}

TzetParamsListItem* TzetParamsList::AddItem(const TzetParamsListItem* item) {
  if (!item)
    return nullptr;
  TzetParamsListItem* added = Add(item->Name, Variant::OleCompatibleCopy(item->Value));
  if (added)
    added->Assign(item);
  return added;
}

bool TzetParamsList::AddItems(TzetParamsListRef source) {
  if (source.IsNull())
    return false;
  if (!source.IsValid())
    rtl::AssertionFailure("Assertion failure", kParamsListUnit, __LINE__);
  // This list itself is read through its own fields, and its count is taken once, so that the
  // copies appended below are not copied again.
  const bool self = source.Pointer() == static_cast<const void*>(this);
  const int32_t count = self ? Count() : source.Count();
  if (count <= 0)
    return false;
  for (int32_t i = 0; i < count; ++i)
    AddItem(self ? Item(i) : source.Item(i));
  return true;
}

TzetParamsListItem* TzetParamsList::AddNewRow() {
  return Add(AnsiString(kRowMarker), Variant::Null());
}

void TzetParamsList::AppendRow(TzetParamsListRef source) {
  if (!AddItems(source))
    return;
  const TzetParamsListItem* last =
      source.Pointer() == static_cast<const void*>(this) ? Item(Count() - 1) : source.LastItem();
  if (!last || last->Name.View() != kRowMarker)
    AddNewRow();
}

void TzetParamsList::DeleteItem(int32_t index) {
  if (!CheckIndex(index))
    return;
  void* item = list_[index];
  TList::Delete(index);
  TzetParamsListItem::Free(item);
}

const TzetParamsListClass* TzetRowsParamsList::ClassType() const noexcept {
  return &kRowsListClass;
}
const TzetParamsListClass* TzetRowsParamsList::ClassRef() noexcept {
  return &kRowsListClass;
}

// ---- class names across the boundary
// -------------------------------------------------------------

bool IsRowsList(const void* list) noexcept {
  if (!list)
    return false;
  // First word: the class pointer. The word before the class pointer: the type record, whose
  // second word is the class name (for this library's lists, the C++ type information).
  const auto* classPointer = *static_cast<const void* const* const*>(list);
  if (!classPointer)
    return false;
  const auto* typeRecord = static_cast<const void* const*>(classPointer[-1]);
  if (!typeRecord)
    return false;
  const char* name = static_cast<const char*>(typeRecord[1]);
  if (!name)
    return false;
  while (*name >= '0' && *name <= '9')
    ++name;
  constexpr std::string_view kRowsClassName = "TzetRowsParamsList";
  for (char expected : kRowsClassName) {
    char c = *name++;
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (expected >= 'A' && expected <= 'Z')
      expected = static_cast<char>(expected - 'A' + 'a');
    if (c != expected)
      return false;
  }
  return *name == '\0';
}
