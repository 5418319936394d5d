#include "filter/seen_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

/// Learns the name of a one-item packet at position 0.
const TSeenNames::Entry& LearnOne(TSeenNames& seen, TzetParamsList& packet,
                                  const rtl::AnsiString& name, TzetItemRecycler& recycler) {
  static const TObjectList kNoVariables(false);
  packet.Clear();
  packet.Add(name, rtl::Variant::Int32(1));
  seen.Reserve(1);
  return seen.Learn(0, *packet.Item(0), kNoVariables, recycler);
}

} // namespace

// Names alternating at one position keep their ids, another block of the same text (in any case)
// finds the same id, and the numbering starts anew after Clear.
TEST(SeenNames, IdsFollowTheText) {
  TzetItemRecycler recycler;
  TzetParamsList packet;
  TSeenNames numbered;
  const rtl::AnsiString first("Temp"), second("Hum");
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(LearnOne(numbered, packet, first, recycler).Id, 0);
    EXPECT_EQ(LearnOne(numbered, packet, second, recycler).Id, 1);
  }
  EXPECT_EQ(LearnOne(numbered, packet, rtl::AnsiString("TEMP"), recycler).Id, 0);
  EXPECT_EQ(LearnOne(numbered, packet, rtl::AnsiString("hum"), recycler).Id, 1);
  for (int k = 0; k < 100; ++k) {
    const rtl::AnsiString name("N" + std::to_string(k));
    EXPECT_EQ(LearnOne(numbered, packet, name, recycler).Id, 2 + k);
  }
  EXPECT_EQ(numbered.IdCount(), 102);
  numbered.Clear();
  EXPECT_EQ(numbered.IdCount(), 0);
  EXPECT_EQ(LearnOne(numbered, packet, second, recycler).Id, 0);
}
