// What the simulator makes of the module's answers: log blocks, row lists, the packets it builds.
#include "host_session.h"
#include "simulator.h"

#include <gtest/gtest.h>

namespace hostsim {
namespace {

TEST(HostOutput, LogBlockSplitsIntoLevelledLines) {
  const auto lines = SplitLogText("\x02"
                                  "Aggregation. No data\r\n"
                                  "\x01{PROCESS} broken x3\r\n"
                                  "\x03ok\r\n"
                                  "plain");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].level, 1);
  EXPECT_EQ(lines[0].text, "Aggregation. No data");
  EXPECT_EQ(lines[1].level, 0);
  EXPECT_EQ(lines[1].text, "{PROCESS} broken x3");
  EXPECT_EQ(lines[2].level, 2);
  EXPECT_EQ(lines[3].level, -1);
  EXPECT_EQ(lines[3].text, "plain");
  EXPECT_TRUE(SplitLogText("").empty());
}

TEST(HostOutput, PacketRoundTripsThroughTheListLayout) {
  const auto value = [](PacketValue::Kind kind, std::string name) {
    PacketValue v;
    v.kind = kind;
    v.name = std::move(name);
    return v;
  };
  std::vector<PacketValue> values = {
      value(PacketValue::Kind::Integer, "temp"), value(PacketValue::Kind::Float, "hum"),
      value(PacketValue::Kind::Text, "station"), value(PacketValue::Kind::Null, "gap"),
      value(PacketValue::Kind::Marker, ""),      value(PacketValue::Kind::Integer, "big"),
      value(PacketValue::Kind::Integer, "neg")};
  values[0].integer = 21;
  values[1].number = 40.5;
  values[2].text = "north's \xE2\x82\xAC \xF0\x9F\x98\x80";
  values[5].integer = 5000000000LL;
  values[6].integer = -2147483648LL;
  hostkit::HostList packet;
  FillPacket(values, packet);
  const auto items = hostkit::ReadList(packet.Raw());
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0].type, 3);
  EXPECT_EQ(items[1].type, 5);
  EXPECT_EQ(items[2].type, 8);
  EXPECT_EQ(items[2].text, "north's \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(items[3].type, 1);
  EXPECT_EQ(items[4].name, ZET_ROW_MARKER);
  EXPECT_EQ(items[5].type, 20);
  EXPECT_EQ(items[5].text, "5000000000");
  EXPECT_EQ(items[6].type, 3);

  const auto rows = SplitRows(items);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(FormatRow(4, rows[0]),
            "row 4: temp=21 hum=40.5 station='north''s \xE2\x82\xAC \xF0\x9F\x98\x80' gap=");
  EXPECT_EQ(FormatRow(5, rows[1]), "row 5: big=5000000000 neg=-2147483648");
}

TEST(HostOutput, RowsEndAtMarkersAndEmptyRowsVanish) {
  const std::vector<hostkit::ItemView> items = {{ZET_ROW_MARKER, 1, ""}, {"A", 3, "1"},
                                                {ZET_ROW_MARKER, 1, ""}, {ZET_ROW_MARKER, 1, ""},
                                                {"B", 3, "2"},           {"C", 3, "3"}};
  const auto rows = SplitRows(items);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 1u);
  EXPECT_EQ(rows[1].size(), 2u);
  EXPECT_EQ(rows[1][1].name, "C");
}

TEST(HostOutput, CountersLineShowsWhatTheModuleAnswered) {
  ModuleCounters c;
  EXPECT_EQ(FormatCounters(c), "") << "a library without counters adds no line";
  c.packets = "9";
  c.rows = "4";
  c.partial = "2";
  c.discarded = "1";
  c.groups = "1";
  c.lastReason = "timeout";
  EXPECT_EQ(FormatCounters(c),
            "counters: 9 packets, 4 rows (2 partial), 1 discarded, 1 group open, last reason: "
            "timeout");
  c.packets = "1";
  c.rows = "1";
  c.groups = "0";
  c.lastReason = "";
  EXPECT_EQ(FormatCounters(c), "counters: 1 packet, 1 row (2 partial), 1 discarded, 0 groups "
                               "open, last reason: none");
  // Misfits only when values were left out.
  c.misfits = "0";
  EXPECT_EQ(FormatCounters(c).find("misfit"), std::string::npos);
  c.misfits = "2";
  EXPECT_EQ(FormatCounters(c).substr(FormatCounters(c).find(", last")),
            ", last reason: none, 2 misfits left out");
  // Those the module did not answer are left out.
  ModuleCounters some;
  some.partial = "3";
  some.lastReason = "age";
  EXPECT_EQ(FormatCounters(some), "counters: 3 partial, last reason: age");
}

TEST(HostOutput, Utf8DecodingTakesStrayBytesAsLatin1) {
  EXPECT_EQ(hostkit::Utf8ToUtf16("a\xC3\xA9"), u"a\u00E9");
  EXPECT_EQ(hostkit::Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(hostkit::Utf8ToUtf16("\xE9t\xE9"), u"\u00E9t\u00E9");         // Latin-1 input
  EXPECT_EQ(hostkit::Utf8ToUtf16("\xC3"), u"\u00C3");                     // cut sequence
  EXPECT_EQ(hostkit::Utf8ToUtf16("\xE0\x80\xAF"), u"\u00E0\u0080\u00AF"); // overlong
  EXPECT_EQ(hostkit::Utf8ToUtf16("\xED\xA0\x80"), u"\u00ED\u00A0\u0080"); // a surrogate
}

} // namespace
} // namespace hostsim
