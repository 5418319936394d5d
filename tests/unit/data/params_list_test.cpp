#include "data/params_list.h"

#include "platform/ole_variant.h"
#include "platform/process_heap.h"
#include "rtl/exceptions.h"

#include "zet_plugin_abi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <regex>
#include <string>
#include <vector>

using rtl::AnsiString;
using rtl::Variant;
namespace pf = platform;

namespace {

template <class Object, class Field>
std::ptrdiff_t OffsetOf(const Object& object, const Field& field) {
  return reinterpret_cast<const char*>(&field) - reinterpret_cast<const char*>(&object);
}

std::string WideText(const pf::VariantRec& v) {
  EXPECT_EQ(v.vt, pf::vtBstr);
  return v.vt == pf::vtBstr ? Variant(v).ToText() : std::string();
}

// ---- object layout ------------------------------------------------------------------------------

TEST(TzetParamsListLayout, FieldsStandWhereTheInterfaceSaysOnBothBuilds) {
  TzetRowsParamsList list;
  list.Add("a", Variant::Int32(1));
  TzetParamsListItem* item = list.Item(0);

  // Read through the interface's layout structs only, as a host does.
  const auto* raw = reinterpret_cast<const ZetParamsListLayout*>(&list);
  EXPECT_EQ(raw->ClassPointer, *reinterpret_cast<void* const*>(&list));
  EXPECT_EQ(raw->Items, list.List());
  EXPECT_EQ(raw->Count, 1);
  EXPECT_EQ(raw->Capacity, list.Capacity());
  EXPECT_EQ(raw->Signature, ZET_LIST_SIGNATURE);
  EXPECT_EQ(raw->ListId, list.ListId.BlockPointer());
  EXPECT_EQ(raw->Reserved, 0u);
  EXPECT_EQ(raw->ItemClass, TzetParamsListItem::ClassRef());
  EXPECT_EQ(list.Reserved2, 0u);

  const auto* rawItem = static_cast<const ZetParamsListItemLayout*>(raw->Items[0]);
  EXPECT_EQ(rawItem, static_cast<const void*>(item));
  EXPECT_STREQ(rawItem->Name, "a");
  EXPECT_STREQ(rawItem->LowerName, "a");
  EXPECT_EQ(rawItem->DeclaredType, 0u);
  EXPECT_EQ(rawItem->State, ZET_ITEM_STATE_ASSIGNED);
  pf::VariantRec value{};
  std::memcpy(&value, rawItem->Value.Bytes, sizeof rawItem->Value.Bytes);
  EXPECT_EQ(value.vt, pf::vtI4);
  EXPECT_EQ(value.lVal, 1);

  if constexpr (sizeof(void*) == 4) {
    EXPECT_EQ(sizeof(TzetParamsList), 32u);
    EXPECT_EQ(sizeof(TzetRowsParamsList), 36u);
    EXPECT_EQ(sizeof(TzetParamsListItem), 40u);
    EXPECT_EQ(OffsetOf(list, list.Signature), 16);
    EXPECT_EQ(OffsetOf(list, list.ListId), 20);
    EXPECT_EQ(OffsetOf(list, list.Reserved), 24);
    EXPECT_EQ(OffsetOf(list, list.ItemClass), 28);
    EXPECT_EQ(OffsetOf(list, list.Reserved2), 32);
    EXPECT_EQ(OffsetOf(*item, item->Name), 4);
    EXPECT_EQ(OffsetOf(*item, item->LowerName), 8);
    EXPECT_EQ(OffsetOf(*item, item->DeclaredType), 12);
    EXPECT_EQ(OffsetOf(*item, item->State), 16);
    EXPECT_EQ(OffsetOf(*item, item->Value), 24);
    // The inherited pointer-list fields, byte by byte.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&list);
    void* items;
    int32_t count, capacity;
    uint32_t signature;
    std::memcpy(&items, bytes + 4, 4);
    std::memcpy(&count, bytes + 8, 4);
    std::memcpy(&capacity, bytes + 12, 4);
    std::memcpy(&signature, bytes + 16, 4);
    EXPECT_EQ(items, list.List());
    EXPECT_EQ(count, 1);
    EXPECT_EQ(capacity, list.Capacity());
    EXPECT_EQ(signature, 266219083u);
  }
}

TEST(TzetParamsListLayout, SignatureIsZeroOnceDestructionHasBegun) {
  alignas(TzetRowsParamsList) unsigned char storage[sizeof(TzetRowsParamsList)];
  auto* list = new (storage) TzetRowsParamsList();
  list->Add("a", Variant::Int32(1));
  list->AddNewRow();
  list->~TzetRowsParamsList();
  uint32_t signature;
  std::memcpy(&signature, storage + offsetof(ZetParamsListLayout, Signature), sizeof signature);
  EXPECT_EQ(signature, 0u);
}

TEST(TzetParamsListLayout, ListIdIsAFreshGuidPerList) {
  TzetParamsList first, second;
  std::regex guid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
  EXPECT_TRUE(std::regex_match(first.ListId.Str(), guid)) << first.ListId.Str();
  EXPECT_NE(first.ListId.View(), second.ListId.View());
}

// ---- items --------------------------------------------------------------------------------------

TEST(TzetParamsListItem, ConstructionSetsNamesStateAndValue) {
  TzetParamsListItem* assigned = TzetParamsListItem::Create("MiXed Name", Variant::Int16(3));
  EXPECT_EQ(assigned->Name, "MiXed Name");
  EXPECT_EQ(assigned->LowerName, "mixed name");
  EXPECT_EQ(assigned->DeclaredType, 0u);
  EXPECT_EQ(assigned->State, 2);
  EXPECT_EQ(assigned->Value.vt, pf::vtI2);
  TzetParamsListItem* null = TzetParamsListItem::Create("n", Variant::Null());
  EXPECT_EQ(null->State, 0);
  EXPECT_EQ(null->Value.vt, pf::vtNull);
  // The class name is reached through the class pointer as for lists.
  const auto* typeRecord =
      static_cast<const void* const*>(static_cast<const void* const*>(assigned->ClassPointer)[-1]);
  EXPECT_STREQ(static_cast<const char*>(typeRecord[1]), "18TzetParamsListItem");
  TzetParamsListItem::Free(assigned);
  TzetParamsListItem::Free(null);
  TzetParamsListItem::Free(nullptr);
}

TEST(TzetParamsListItem, SetValueKeepsNumberTypesAndWidensAnsiStrings) {
  TzetParamsListItem* item = TzetParamsListItem::Create("v", Variant());
  struct Case {
    Variant value;
    uint16_t held;
  } cases[] = {
      {Variant::Int64(5), pf::vtI8},
      {Variant::Int64(int64_t{1} << 40), pf::vtI8},
      {Variant::Word(7), pf::vtUI2},
      {Variant::Byte(200), pf::vtUI1},
      {Variant::UInt32(0xFFFFFFFFu), pf::vtUI4},
      {Variant::Bool(true), pf::vtBool},
      {Variant::Double(2.5), pf::vtR8},
      {Variant::Ansi(AnsiString("txt")), pf::vtBstr},
      {Variant::Null(), pf::vtNull},
  };
  for (const Case& c : cases) {
    item->SetValue(c.value);
    EXPECT_EQ(item->Value.vt, c.held) << "given type " << c.value.Type();
  }
  item->SetValue(Variant::Int64(int64_t{1} << 40));
  EXPECT_EQ(item->Value.llVal, int64_t{1} << 40);
  item->SetValue(Variant::Ansi(AnsiString("text")));
  EXPECT_EQ(WideText(item->Value), "text");
  EXPECT_EQ(item->GetValue().ToText(), "text");
  TzetParamsListItem::Free(item);
}

// ---- lists: searches ----------------------------------------------------------------------------

TEST(TzetParamsList, NamesAreFoundRegardlessOfCaseButNotOfBlanks) {
  TzetParamsList list;
  list.Add("Temp", Variant::Int32(21));
  for (const char* name : {"Temp", "TEMP", "temp"})
    EXPECT_EQ(list.IndexOfName(name), 0) << name;
  EXPECT_EQ(list.IndexOfName(" Temp"), -1);
  EXPECT_EQ(list.FindItem("tEmP"), list.Item(0));
  EXPECT_EQ(list.GetValue("TEMP").ToInt32(), 21);
  // Lower-casing follows the ANSI code page, not only ASCII.
  list.Add("\xC4RGER", Variant::Int32(1));
  EXPECT_EQ(list.Item(1)->LowerName, "\xE4rger");
  EXPECT_EQ(list.IndexOfName("\xE4rGER"), 1);
}

TEST(TzetParamsList, DuplicatesAreKeptAndTheFirstWins) {
  TzetParamsList list;
  TzetParamsListItem* first = list.Add("x", Variant::Int32(1));
  TzetParamsListItem* second = list.Add("X", Variant::Int32(2));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.FindItem("x"), first);
  EXPECT_EQ(list.GetValue("x").ToInt32(), 1);
  EXPECT_EQ(list.SetValue("x", Variant::Int32(9), false), first);
  EXPECT_EQ(first->Value.lVal, 9);
  EXPECT_EQ(second->Value.lVal, 2);
}

TEST(TzetParamsList, OutOfRangeItemsAndAbsentNamesFailSoft) {
  TzetParamsList list;
  EXPECT_EQ(list.Item(0), nullptr);
  EXPECT_EQ(list.FindItem("a"), nullptr);
  EXPECT_EQ(list.GetValue("a").Type(), pf::vtEmpty);
  EXPECT_EQ(list.GetValueDef("a", Variant::Int32(4)).ToInt32(), 4);
  list.Add("a", Variant::Int32(1));
  EXPECT_EQ(list.Item(-1), nullptr);
  EXPECT_EQ(list.Item(list.Count()), nullptr);
  EXPECT_EQ(list.IndexOfName("b"), -1);
  EXPECT_EQ(list.GetValue("b").Type(), pf::vtEmpty);
  EXPECT_EQ(list.GetValueDef("b", Variant::Null()).Type(), pf::vtNull);
  EXPECT_EQ(list.GetValueDef("a", Variant::Null()).ToInt32(), 1);
}

TEST(TzetParamsList, SearchRangesAndTheEndOfRowRule) {
  TzetParamsList list;
  for (const char* name : {"a", "b", "$NEW_ROW$", "c", "$NEW_ROW$"})
    list.Add(name, Variant::Null());
  EXPECT_EQ(list.IndexOfName("a", -5, -1), 0);
  EXPECT_EQ(list.IndexOfName("a", 5, -1), -1);
  EXPECT_EQ(list.IndexOfName("c", 0, -2), -1);
  EXPECT_EQ(list.IndexOfName("c", 0, -1), 3);
  EXPECT_EQ(list.IndexOfName("c", 3, -2), 3);
  EXPECT_EQ(list.IndexOfName("c", 0, 99), 3);
  EXPECT_EQ(list.IndexOfName("c", 0, 2), -1);
  // The name test comes before the marker test: the marker itself is found.
  EXPECT_EQ(list.IndexOfName("$new_row$", 3, -2), 4);
  EXPECT_EQ(list.IndexOfName("b", 0, -2), 1);
}

TEST(TzetParamsList, InvalidSignatureRaisesAnAssertionFailure) {
  TzetParamsList list;
  list.Add("a", Variant::Int32(1));
  TzetParamsList source;
  source.Add("b", Variant::Int32(2));
  source.Signature = 0;
  std::regex message("Assertion failure \\(Public/Common/zetParamLst, line [0-9]+\\)");
  try {
    source.IndexOfName("b");
    FAIL() << "no failure raised";
  } catch (const rtl::EAssertionFailed& e) {
    EXPECT_TRUE(std::regex_match(e.what(), message)) << e.what();
  }
  EXPECT_THROW(source.FindItem("b"), rtl::EAssertionFailed);
  try {
    list.AddItems(&source);
    FAIL() << "no failure raised";
  } catch (const rtl::EAssertionFailed& e) {
    EXPECT_TRUE(std::regex_match(e.what(), message)) << e.what();
  }
  EXPECT_EQ(list.Count(), 1);
  source.Signature = kParamsListSignature;
}

// ---- lists: adding ------------------------------------------------------------------------------

TEST(TzetParamsList, BlankNamesAreNotAddedAndBlanksAreKept) {
  TzetParamsList list;
  EXPECT_EQ(list.Add("   ", Variant::Int32(1)), nullptr);
  EXPECT_EQ(list.Add("", Variant::Int32(1)), nullptr);
  EXPECT_EQ(list.Add("\t\r\n", Variant::Int32(1)), nullptr);
  EXPECT_EQ(list.Count(), 0);
  TzetParamsListItem* item = list.Add(" X ", Variant::Int32(1));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Name, " X ");
  EXPECT_EQ(item->LowerName, " x ");
  EXPECT_EQ(list.SetValue("  ", Variant::Int32(1), true), nullptr);
}

TEST(TzetParamsList, AddHoldsTheOleCompatibleTypeWithStateAssigned) {
  TzetParamsList list;
  EXPECT_EQ(list.Add("small", Variant::Int64(5))->Value.vt, pf::vtI4);
  TzetParamsListItem* big = list.Add("big", Variant::Int64(int64_t{1} << 40));
  EXPECT_EQ(big->Value.vt, pf::vtR8);
  EXPECT_EQ(big->Value.dblVal, 1099511627776.0);
  EXPECT_EQ(list.Add("word", Variant::Word(65535))->Value.vt, pf::vtI4);
  TzetParamsListItem* text = list.Add("text", Variant::Ansi(AnsiString("h\xe9llo")));
  EXPECT_EQ(WideText(text->Value), "h\xe9llo");
  EXPECT_EQ(list.GetValue("text").Type(), pf::vtBstr);
  // Add sets State 2 whatever the value; only the item's own SetValue restores a caller's type.
  TzetParamsListItem* empty = list.Add("empty", Variant());
  EXPECT_EQ(empty->State, 2);
  EXPECT_EQ(empty->Value.vt, pf::vtEmpty);
  list.Item(0)->SetValue(Variant::Int64(5));
  EXPECT_EQ(list.Item(0)->Value.vt, pf::vtI8);
  EXPECT_EQ(list.GetValue("small").Type(), pf::vtI4) << "reads give the OLE-compatible copy";
}

TEST(TzetParamsList, SetValueAddsOnlyWhenAsked) {
  TzetParamsList list;
  EXPECT_EQ(list.SetValue("x", Variant::Int32(1), false), nullptr);
  EXPECT_EQ(list.Count(), 0);
  TzetParamsListItem* item = list.SetValue("x", Variant::Int32(1), true);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(item->State, 2);
  EXPECT_EQ(item->Value.vt, pf::vtI4);
  EXPECT_EQ(item->Value.lVal, 1);
  list.SetValue("X", Variant::Ansi(AnsiString("s")), false);
  EXPECT_EQ(WideText(item->Value), "s");
}

TEST(TzetParamsList, AddItemCopiesNamesTypeAndState) {
  TzetParamsListItem* source = TzetParamsListItem::Create("Name", Variant::Word(7));
  source->DeclaredType = pf::vtBstr;
  source->State = 0;
  source->LowerName = AnsiString("custom");
  TzetParamsList list;
  EXPECT_EQ(list.AddItem(nullptr), nullptr);
  TzetParamsListItem* copy = list.AddItem(source);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  EXPECT_EQ(copy->Name, "Name");
  EXPECT_EQ(copy->LowerName, "custom");
  EXPECT_EQ(copy->DeclaredType, pf::vtBstr);
  EXPECT_EQ(copy->State, 0);
  EXPECT_EQ(copy->Value.vt, pf::vtI4);
  EXPECT_EQ(copy->Value.lVal, 7);
  EXPECT_EQ(list.FindItem("custom"), copy);
  TzetParamsListItem::Free(source);
}

TEST(TzetParamsList, AppendRowClosesRowsOnce) {
  TzetParamsList source;
  TzetParamsList out;
  out.AppendRow(&source);
  EXPECT_EQ(out.Count(), 0) << "an empty source appends nothing, not even a marker";
  EXPECT_FALSE(out.AddItems(&source));
  EXPECT_FALSE(out.AddItems(nullptr));

  source.Add("a", Variant::Int32(1));
  out.AppendRow(&source);
  ASSERT_EQ(out.Count(), 2);
  EXPECT_EQ(out.Item(0)->Name, "a");
  TzetParamsListItem* marker = out.Item(1);
  EXPECT_EQ(marker->Name, "$NEW_ROW$");
  EXPECT_EQ(marker->Value.vt, pf::vtNull);
  EXPECT_EQ(marker->State, 2);

  source.AddNewRow();
  out.AppendRow(&source);
  EXPECT_EQ(out.Count(), 4) << "a source that ends with a marker gets no second one";
  EXPECT_EQ(out.Item(3)->Name, "$NEW_ROW$");

  // A list appended to itself copies its items once.
  EXPECT_TRUE(out.AddItems(&out));
  EXPECT_EQ(out.Count(), 8);
}

// Records the deleted notifications that Clear sends.
class NotifyRecorder : public TzetParamsList {
public:
  void Notify(void* ptr, TListNotification action) override {
    if (action != lnDeleted || !Clearing)
      return;
    // The slot is already empty and the item still alive when it is announced.
    EXPECT_EQ(List()[Deleted.size()], nullptr);
    EXPECT_EQ(static_cast<TzetParamsListItem*>(ptr)->Name.Length(), 1);
    Deleted.push_back(ptr);
  }
  void Clear() override {
    Clearing = true;
    TzetParamsList::Clear();
    Clearing = false;
  }
  std::vector<void*> Deleted;
  bool Clearing = false;
};

TEST(TzetParamsList, ClearFreesInAscendingOrderAndReleasesTheArray) {
  NotifyRecorder list;
  std::vector<void*> items;
  for (const char* name : {"a", "b", "c"})
    items.push_back(list.Add(name, Variant::FromAnsiText(name)));
  list.Clear();
  EXPECT_EQ(list.Deleted, items);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.List(), nullptr);
  list.Add("d", Variant::Int32(1));
  list.DeleteItem(0);
  EXPECT_EQ(list.Count(), 0);
}

TEST(TzetParamsList, ClassReferencesCreateEitherClass) {
  for (const TzetParamsListClass* ref :
       {TzetParamsList::ClassRef(), TzetRowsParamsList::ClassRef()}) {
    TzetParamsList* list = ref->Create();
    EXPECT_EQ(list->ClassType(), ref);
    EXPECT_EQ(list->Signature, kParamsListSignature);
    EXPECT_EQ(IsRowsList(list), ref == TzetRowsParamsList::ClassRef()) << ref->Name;
    delete list;
  }
  EXPECT_FALSE(IsRowsList(nullptr));
}

// ---- lists of the other side --------------------------------------------------------------------
//
// A host builds its lists with the interface header only: its own class tables and type records,
// counted string blocks and items on the process heap, and its own way of freeing them.

struct HostTypeRecord {
  const void* TypeClass;
  const char* Name;
};

// Class tables whose operation slots are null: calling any operation of a host object crashes.
HostTypeRecord gHostRowsType{nullptr, "18tzetROWSparamslist"};
HostTypeRecord gHostPlainType{nullptr, "14TzetParamsList"};
HostTypeRecord gHostItemType{nullptr, "18TzetParamsListItem"};
const void* gHostRowsTable[] = {&gHostRowsType, nullptr, nullptr, nullptr, nullptr, nullptr};
const void* gHostPlainTable[] = {&gHostPlainType, nullptr, nullptr, nullptr, nullptr, nullptr};
const void* gHostItemTable[] = {&gHostItemType, nullptr};
const int gHostItemClass = 0; // never used by the library

const char* HostString(const char* text) {
  std::size_t n = std::strlen(text);
  auto* block = static_cast<char*>(pf::HeapAllocate(8 + n + 1));
  const int32_t header[2] = {1, static_cast<int32_t>(n)};
  std::memcpy(block, header, 8);
  std::memcpy(block + 8, text, n + 1);
  return block + 8;
}

void HostReleaseString(const char* s) {
  if (!s)
    return;
  auto* header = reinterpret_cast<int32_t*>(const_cast<char*>(s) - 8);
  if (header[0] >= 0 && --header[0] == 0)
    pf::HeapRelease(header);
}

// A VARIANT is 16 bytes in a 32-bit process but 24 in a 64-bit one, where the header's Value
// field covers only the first 16: a host item leaves room for the whole system VARIANT.
constexpr std::size_t kValueEnd = offsetof(ZetParamsListItemLayout, Value) + sizeof(pf::VariantRec);
constexpr std::size_t kHostItemSize = kValueEnd > sizeof(ZetParamsListItemLayout)
                                          ? kValueEnd
                                          : sizeof(ZetParamsListItemLayout);

pf::VariantRec& HostValue(ZetParamsListItemLayout* item) {
  return *reinterpret_cast<pf::VariantRec*>(item->Value.Bytes);
}

void HostClearValue(ZetParamsListItemLayout* item) {
  pf::VariantRec& v = HostValue(item);
  if (v.vt == pf::vtAnsiString)
    HostReleaseString(static_cast<const char*>(v.ptr));
  else
    pf::OleVariantClear(v);
}

ZetParamsListItemLayout* HostItem(const char* name, const char* lower,
                                  const pf::VariantRec& value) {
  auto* item = static_cast<ZetParamsListItemLayout*>(pf::HeapAllocate(kHostItemSize));
  std::memset(static_cast<void*>(item), 0, kHostItemSize);
  item->ClassPointer = &gHostItemTable[1];
  item->Name = HostString(name);
  item->LowerName = HostString(lower);
  item->DeclaredType = value.vt;
  item->State = ZET_ITEM_STATE_ASSIGNED;
  HostValue(item) = value;
  return item;
}

ZetParamsListLayout* HostList(const void* const* table, int32_t capacity) {
  auto* list = static_cast<ZetParamsListLayout*>(pf::HeapAllocate(sizeof(ZetParamsListLayout)));
  list->ClassPointer = table + 1;
  list->Items = static_cast<void**>(pf::HeapAllocate(capacity * sizeof(void*)));
  list->Count = 0;
  list->Capacity = capacity;
  list->Signature = ZET_LIST_SIGNATURE;
  list->ListId = HostString("{00000000-0000-0000-0000-000000000001}");
  list->Reserved = 0;
  list->ItemClass = &gHostItemClass;
  return list;
}

void HostAppend(ZetParamsListLayout* list, ZetParamsListItemLayout* item) {
  ASSERT_LT(list->Count, list->Capacity);
  list->Items[list->Count++] = item;
}

void HostFree(ZetParamsListLayout* list) {
  for (int32_t i = 0; i < list->Count; ++i) {
    auto* item = static_cast<ZetParamsListItemLayout*>(list->Items[i]);
    HostReleaseString(item->Name);
    HostReleaseString(item->LowerName);
    HostClearValue(item);
    pf::HeapRelease(item);
  }
  pf::HeapRelease(list->Items);
  HostReleaseString(list->ListId);
  pf::HeapRelease(list);
}

pf::VariantRec I4(int32_t v) {
  pf::VariantRec r{};
  r.vt = pf::vtI4;
  r.lVal = v;
  return r;
}

TEST(TzetParamsListHostList, IsReadWrittenAndClosedWithoutCallingItsOperations) {
  ZetParamsListLayout* host = HostList(gHostRowsTable, 3);
  pf::VariantRec ansi{};
  ansi.vt = pf::vtAnsiString;
  ansi.ptr = const_cast<char*>(HostString("w\xe4rm"));
  HostAppend(host, HostItem("Temp", "temp", I4(21)));
  HostAppend(host, HostItem("State", "state", ansi));
  pf::VariantRec result{};
  result.vt = pf::vtEmpty;
  HostAppend(host, HostItem("RESULT", "result", result));

  TzetParamsListRef list(host);
  EXPECT_TRUE(IsRowsList(host));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOfName("TEMP"), 0);
  EXPECT_EQ(list.FindItem("state"), host->Items[1]);
  EXPECT_EQ(list.GetValue("Temp").ToInt32(), 21);
  Variant text = list.GetValue("STATE");
  EXPECT_EQ(text.Type(), pf::vtBstr);
  EXPECT_EQ(text.ToText(), "w\xe4rm");
  EXPECT_EQ(list.GetValueDef("missing", Variant::Int32(-1)).ToInt32(), -1);
  EXPECT_EQ(list.Item(2)->GetValue().Type(), pf::vtEmpty);

  // Answers go into an item the host provided; the host's 8-bit value is released on the way.
  EXPECT_NE(list.SetValue("result", Variant::Int32(7)), nullptr);
  EXPECT_NE(list.SetValue("state", Variant::Bool(true)), nullptr);
  EXPECT_EQ(list.SetValue("absent", Variant::Int32(7)), nullptr);
  EXPECT_EQ(host->Count, 3);

  // The array is full: the marker grows it on the process heap.
  TzetParamsListItem* marker = list.AddNewRow();
  ASSERT_NE(marker, nullptr);
  ASSERT_EQ(host->Count, 4);
  EXPECT_GE(host->Capacity, 4);
  const auto* last = static_cast<const ZetParamsListItemLayout*>(host->Items[3]);
  EXPECT_STREQ(last->Name, ZET_ROW_MARKER);
  EXPECT_STREQ(last->LowerName, "$new_row$");
  EXPECT_EQ(last->State, ZET_ITEM_STATE_ASSIGNED);
  EXPECT_EQ(list.GetValue(ZET_ROW_MARKER).Type(), pf::vtNull);
  EXPECT_EQ(list.IndexOfName("temp", 0, -2), 0);

  // A host list as the source of a copy into one of the library's lists.
  TzetRowsParamsList out;
  out.AppendRow(list);
  ASSERT_EQ(out.Count(), 4) << "the host's row already ends with a marker";
  EXPECT_EQ(out.Item(0)->DeclaredType, static_cast<uint32_t>(pf::vtI4));
  EXPECT_EQ(out.GetValue("result").ToInt32(), 7);
  EXPECT_EQ(out.Item(1)->Value.vt, pf::vtBool);

  // The host frees everything by the layout, including the library's marker item; the copies
  // in Out keep their own references to the host's name blocks.
  HostFree(host);
  EXPECT_EQ(out.Item(0)->Name, "Temp");
  EXPECT_EQ(out.FindItem("TEMP"), out.Item(0));
}

TEST(TzetParamsListHostList, ClassNamesAndBrokenListsAreHandledSafely) {
  ZetParamsListLayout* plain = HostList(gHostPlainTable, 0);
  EXPECT_FALSE(IsRowsList(plain));
  // An empty host list with no array yet.
  pf::HeapRelease(plain->Items);
  plain->Items = nullptr;
  TzetParamsListRef list(plain);
  EXPECT_EQ(list.FindItem("a"), nullptr);
  EXPECT_NE(list.AddNewRow(), nullptr);
  EXPECT_EQ(plain->Count, 1);

  // A host list that counts two items but has no array: two unfilled slots, then the marker.
  HostFree(plain);
  plain = HostList(gHostPlainTable, 0);
  pf::HeapRelease(plain->Items);
  plain->Items = nullptr;
  plain->Count = 2;
  list = TzetParamsListRef(plain);
  EXPECT_EQ(list.FindItem("a"), nullptr);
  ASSERT_NE(list.AddNewRow(), nullptr);
  ASSERT_EQ(plain->Count, 3);
  EXPECT_EQ(plain->Items[0], nullptr);
  EXPECT_EQ(plain->Items[1], nullptr);
  EXPECT_EQ(list.IndexOfName(ZET_ROW_MARKER), 2);
  plain->Items[0] = plain->Items[2];
  plain->Count = 1;

  plain->Signature = 0;
  EXPECT_EQ(list.AddNewRow(), nullptr) << "a list without a valid signature";
  EXPECT_EQ(TzetParamsListRef(nullptr).AddNewRow(), nullptr);
  EXPECT_EQ(TzetParamsListRef(nullptr).FindItem("a"), nullptr);
  EXPECT_THROW(TzetParamsListRef(nullptr).IndexOfName("a"), rtl::EAssertionFailed);
  EXPECT_EQ(plain->Count, 1);
  HostFree(plain);

  // The library's own classes are told apart the same way.
  TzetParamsList own;
  TzetRowsParamsList rows;
  EXPECT_FALSE(IsRowsList(&own));
  EXPECT_TRUE(IsRowsList(&rows));
  const void* noClass[2] = {nullptr, nullptr};
  EXPECT_FALSE(IsRowsList(noClass));
  HostTypeRecord prefixOnly{nullptr, "18TzetRowsParamsListX"};
  const void* prefixTable[] = {&prefixOnly, nullptr};
  const void* prefixObject[] = {&prefixTable[1]};
  EXPECT_FALSE(IsRowsList(prefixObject));
}

} // namespace
