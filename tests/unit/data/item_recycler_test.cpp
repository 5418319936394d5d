#include "data/item_recycler.h"

#include "platform/codepage.h"
#include "platform/process_heap.h"

#include "zet_plugin_abi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using rtl::AnsiString;
using rtl::Variant;
namespace pf = platform;

namespace {

std::string Lowered(std::string_view name) {
  std::string s(name);
  pf::AnsiLowerInPlace(s.data(), s.size());
  return s;
}

// Everything a host reads of a list: count, capacity, and per item the names, declared type,
// state and value (type and payload, strings by text).
std::vector<std::string> HostView(const TzetParamsList& list) {
  std::vector<std::string> out{std::to_string(list.Count()) + "/" +
                               std::to_string(list.Capacity())};
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TzetParamsListItem* item = list.Item(i);
    std::string value = std::to_string(item->Value.vt) + ":";
    if (item->Value.vt == pf::vtBstr)
      value += Variant(item->Value).ToText();
    else if (item->Value.vt > pf::vtNull)
      value += std::to_string(item->Value.llVal & 0xffffffff);
    out.push_back(item->Name.Str() + "|" + item->LowerName.Str() + "|" +
                  std::to_string(item->DeclaredType) + "|" + std::to_string(item->State) + "|" +
                  value + "|" + (TzetParamsListItem::IsOwnItem(item) ? "own" : "other"));
  }
  return out;
}

std::vector<Variant> Values(int round) {
  return {Variant::Int32(round), Variant::Double(0.5 * round),
          Variant::Byte(7),      Variant::FromAnsiText("text" + std::to_string(round)),
          Variant::Null(),       Variant::Int64(int64_t{1} << 40),
          Variant::Bool(true)};
}

const char* const kNames[] = {"Alpha", "beta", "GAMMA", "Delta1", "eps", "Zeta", "eta"};

} // namespace

// Lists filled and emptied through the recycler, round after round, read exactly as lists filled
// with Add, AddNewRow and AppendRow and emptied with Clear.
TEST(TzetItemRecycler, FilledListsReadAsPlainOnesRoundAfterRound) {
  TzetItemRecycler recycler;
  TzetParamsList pending, plainPending;
  TzetRowsParamsList rows, plainRows;
  for (int round = 0; round < 6; ++round) {
    recycler.Clear(rows);
    plainRows.Clear();
    recycler.Clear(pending);
    plainPending.Clear();
    EXPECT_EQ(rows.List(), nullptr);
    EXPECT_EQ(HostView(rows), HostView(plainRows));

    const std::vector<Variant> values = Values(round);
    const int count = 3 + round * 3; // the arrays grow past what was kept
    for (int i = 0; i < count; ++i) {
      const AnsiString name(kNames[i % 7] + std::string(i >= 7 ? "x" : ""));
      Variant value = Variant::OleCompatibleCopy(values[i % 7].Rec());
      plainPending.Add(name, value);
      ASSERT_NE(recycler.Add(pending, name, Lowered(name.View()), std::move(value)), nullptr);
    }
    EXPECT_EQ(recycler.Add(pending, AnsiString(" \t"), " \t", Variant::Int32(1)), nullptr);
    EXPECT_EQ(HostView(pending), HostView(plainPending));

    recycler.AppendRow(rows, pending);
    plainRows.AppendRow(&plainPending);
    recycler.AddNewRow(rows);
    plainRows.AddNewRow();
    EXPECT_EQ(HostView(rows), HostView(plainRows));
  }
}

// Items of the other side in a recycled list are freed (as Clear frees them), never reused.
TEST(TzetItemRecycler, ItemsOfTheOtherSideAreFreedNotReused) {
  TzetItemRecycler recycler;
  TzetRowsParamsList rows;
  recycler.Add(rows, AnsiString("a"), "a", Variant::Int32(1));
  // A foreign item: same layout, another class pointer, on the process heap.
  auto* foreign = TzetParamsListItem::Create(AnsiString("Host"), Variant::FromAnsiText("v"));
  static const void* const kHostClass[2] = {nullptr, nullptr};
  foreign->ClassPointer = &kHostClass[1];
  static_cast<TList&>(rows).Add(foreign);
  recycler.Clear(rows);
  EXPECT_EQ(rows.Count(), 0);

  recycler.Add(rows, AnsiString("b"), "b", Variant::Int32(2));
  recycler.Add(rows, AnsiString("c"), "c", Variant::Int32(3));
  for (int32_t i = 0; i < rows.Count(); ++i)
    EXPECT_TRUE(TzetParamsListItem::IsOwnItem(rows.Item(i)));
}

// Storing a value through the recycler leaves the item as SetValue does, for every type a packet
// may carry (8-bit strings and the integers that are widened included).
TEST(TzetItemRecycler, SetValueStoresWhatTheItemsOwnSetValueStores) {
  TzetParamsList viaRecycler, plain;
  const Variant values[] = {Variant::Int32(-3),
                            Variant::Double(2.5),
                            Variant::Byte(200),
                            Variant::UInt32(0x90000000u),
                            Variant::FromAnsiText("w"),
                            Variant::Ansi(AnsiString("ansi")),
                            Variant::Null(),
                            Variant::Bool(false)};
  for (const Variant& value : values) {
    viaRecycler.Add("n", Variant::Int32(0));
    plain.Add("n", Variant::Int32(0));
    TzetItemRecycler::SetValue(viaRecycler.Item(viaRecycler.Count() - 1), Variant(value));
    plain.Item(plain.Count() - 1)->SetValue(value);
  }
  EXPECT_EQ(HostView(viaRecycler), HostView(plain));
}

// A parked output row gives its items back in place to the next row of the same names, which
// then reads exactly as a list filled anew; rows of other shapes, items of the other side and
// unfilled slots are handled as Clear handles them, and nothing parked is lost or leaked.
TEST(TzetItemRecycler, ParkedRowsComeBackInPlaceAndReadAsPlainOnes) {
  TzetItemRecycler recycler;
  TzetParamsList pending, plainPending;
  TzetRowsParamsList rows, plainRows;
  const AnsiString names[] = {AnsiString("Alpha"), AnsiString("beta"), AnsiString("GAMMA"),
                              AnsiString("Delta1"), AnsiString("eps")};
  std::vector<const void*> lastRow;
  // Rounds 0-2 share one shape, round 3 drops a name, round 4 adds one back in another order.
  for (int round = 0; round < 5; ++round) {
    recycler.Park(rows);
    plainRows.Clear();
    EXPECT_EQ(HostView(rows), HostView(plainRows)) << "a parked list reads as a cleared one";
    EXPECT_EQ(rows.List(), nullptr);

    std::vector<int> order = {0, 1, 2, 3, 4};
    if (round == 3)
      order = {0, 1, 3, 4};
    if (round == 4)
      order = {1, 0, 2, 3, 4};
    const std::vector<Variant> values = Values(round);
    for (std::size_t k = 0; k < order.size(); ++k) {
      const AnsiString& name = names[order[k]];
      const Variant value = Variant::OleCompatibleCopy(values[k].Rec());
      plainPending.Add(name, value);
      ASSERT_NE(recycler.AddLowered(pending, name,
                                    recycler.SharedLowerName(name, Lowered(name.View())),
                                    Variant(value)),
                nullptr);
    }
    rows.SwapContents(pending);
    recycler.AddNewRow(rows);
    plainRows.AppendRow(&plainPending);
    plainPending.Clear();
    EXPECT_EQ(HostView(rows), HostView(plainRows)) << "round " << round;

    std::vector<const void*> thisRow;
    for (int32_t i = 0; i < rows.Count(); ++i)
      thisRow.push_back(rows.Item(i));
    if (round == 1 || round == 2) {
      EXPECT_EQ(thisRow, lastRow) << "a row of the same shape takes the parked items in place";
    }
    lastRow = thisRow;
  }

  // A parked row with an item of the other side and an unfilled slot: the foreign item is freed,
  // the slot skipped, and the next row is built as usual.
  const AnsiString& alpha = names[0];
  auto* foreign = TzetParamsListItem::Create(alpha, Variant::FromAnsiText("v"));
  static const void* const kHostClass[2] = {nullptr, nullptr};
  foreign->ClassPointer = &kHostClass[1];
  TzetRowsParamsList mixed;
  static_cast<TList&>(mixed).Add(foreign);
  static_cast<TList&>(mixed).Add(nullptr);
  recycler.Park(mixed);
  EXPECT_EQ(mixed.Count(), 0);
  TzetParamsListItem* item = recycler.AddLowered(
      pending, alpha, recycler.SharedLowerName(alpha, "alpha"), Variant::Int32(5));
  ASSERT_NE(item, nullptr);
  EXPECT_NE(static_cast<void*>(item), static_cast<void*>(foreign));
  EXPECT_TRUE(TzetParamsListItem::IsOwnItem(item));
  EXPECT_EQ(item->Value.vt, pf::vtI4);
  // What is still parked, the kept items and arrays are freed with the recycler (the sanitizer
  // build reports any leak).
}
