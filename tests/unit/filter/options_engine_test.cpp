// The engine's advanced options on a module instance with a test clock: partial rows, the age
// limit, the value lifetime, grouping with its bound, and the statistics.
#include "filter/aggregation_plugin.h"
#include "filter/aggregation_settings.h"
#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "platform/environment.h"
#include "platform/message_pump.h"
#include "support/timeout.h"
#include "loaded_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using engine_test::gNow;

/// "|" as a name marks a row, "~" as a value is Null, "#N" a number.
using Packet = std::vector<std::pair<std::string, std::string>>;

/// Rows as "A=1 B=2|"; a Null value shows as "~".
std::string RowsText(const TzetParamsList* rows) {
  std::string out;
  for (int32_t i = 0; rows && i < rows->Count(); ++i) {
    const TzetParamsListItem* item = rows->Item(i);
    if (item->Name == "$NEW_ROW$") {
      out += "|";
      continue;
    }
    if (!out.empty() && out.back() != '|')
      out += " ";
    out += item->Name.Str() + "=" +
           (item->Value.vt == platform::vtNull ? "~" : item->GetValue().ToText());
  }
  return out;
}

class OptionsEngine : public engine_test::LoadedEngine {
protected:
  void Configure(std::vector<std::string> vars,
                 const std::function<void(TProxyCodeObject&)>& options = {}) {
    TProxyCodeObject settings(nullptr);
    for (std::size_t i = 0; i < vars.size(); ++i)
      settings.Vars[i] = vars[i];
    if (options)
      options(settings);
    module_->ApplySettings(settings);
  }
  /// One packet at the test clock's time; answers the rows (see RowsText), "-" for none.
  std::string Send(const Packet& items) {
    TzetParamsList packet;
    for (const auto& [name, text] : items) {
      if (name == "|")
        packet.AddNewRow();
      else if (text == "~")
        packet.Add(name, rtl::Variant::Null());
      else if (text.size() > 1 && text[0] == '#') // a number: "#3" an integer, "#2.5" a double
        packet.Add(name, text.find('.') == std::string::npos
                             ? rtl::Variant::Int32(std::stoi(text.substr(1)))
                             : rtl::Variant::Double(std::stod(text.substr(1))));
      else
        packet.Add(name, rtl::Variant::FromAnsiText(text));
    }
    TPluginCallRec r = Rec(nullptr);
    r.Input.Kind = ZET_KIND_LIST;
    r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
    const int32_t result = frame::ProcessData(&r);
    EXPECT_TRUE(module_->CheckEngineInvariants());
    const std::string rows = r.Output.Kind == ZET_KIND_LIST
                                 ? RowsText(reinterpret_cast<const TzetParamsList*>(r.Output.Data))
                                 : "<no output>";
    EXPECT_EQ(result, rows.empty() ? -2 : 0) << rows;
    return rows.empty() ? "-" : rows;
  }
  std::string Stat(const char* name) { return module_->GetNamedProperty(name).ToText(); }
  /// The host log lines queued since the last call (lines are queued only for a host that gave
  /// a message window: the first call gives one).
  std::string TakeLog() {
    if (!logWindow_) {
      logWindow_ = platform::CreateMessageWindow(
          [](void*, platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
            return platform::DefaultWindowProc(w, m, wp, lp);
          },
          nullptr);
      module_->MessagesProcessorHandle = logWindow_;
    }
    const std::string log = module_->LogLines->GetText();
    module_->LogLines->Clear();
    return log;
  }
  void TearDown() override {
    engine_test::LoadedEngine::TearDown();
    if (logWindow_)
      platform::DestroyMessageWindow(logWindow_);
  }

private:
  platform::WindowHandle logWindow_{};
};

// A humidity sensor that went silent: the age limit ends the row that never completes under
// steady traffic, released with a Null humidity or discarded.
TEST_F(OptionsEngine, AgeLimitEndsARowThatNeverCompletesUnderSteadyTraffic) {
  Configure({"Temp", "Hum"}, [](TProxyCodeObject& s) {
    s.spAgeLimit_Value = 1000;
    s.chkPartial_Checked = true;
  });
  EXPECT_EQ(Send({{"Temp", "1"}, {"X", "a"}}), "-");
  gNow += 400;
  EXPECT_EQ(Send({{"Temp", "2"}}), "-");
  gNow += 599;
  EXPECT_EQ(Send({{"Temp", "3"}}), "-");
  gNow += 1; // 1000 ms after the first value: released before this packet is merged
  EXPECT_EQ(Send({{"Temp", "4"}}), "Temp=3 X=a Hum=~ $ROW_STATUS$=age|");
  gNow += 500;
  EXPECT_EQ(Send({{"Hum", "50"}}), "Temp=4 Hum=50|"); // the age started again with Temp=4
  EXPECT_EQ(Stat("Stats.Rows"), "2");
  EXPECT_EQ(Stat("Stats.Partial"), "1");
  EXPECT_EQ(Stat("Stats.LastReason"), "complete");

  Configure({"Temp", "Hum"}, [](TProxyCodeObject& s) { s.spAgeLimit_Value = 1000; });
  EXPECT_EQ(Send({{"Temp", "1"}}), "-");
  gNow += 1000;
  EXPECT_EQ(Send({{"Hum", "2"}}), "-"); // Temp was discarded first
  EXPECT_EQ(Stat("Stats.Discarded"), "1");
  EXPECT_EQ(Stat("Stats.LastReason"), "age");
}

TEST_F(OptionsEngine, TimeoutReleasesThePartialRowBeforeThePacketsOwnRow) {
  Configure({"A", "B", "C"}, [](TProxyCodeObject& s) {
    s.spTimeout_Value = 1000;
    s.chkPartial_Checked = true;
  });
  EXPECT_EQ(Send({{"B", "1"}, {"Y", ""}}), "-");
  gNow += 1000;
  // Two rows in one call: the ended one with its missing variables in configured order, then
  // the packet's own complete row, which carries no status.
  EXPECT_EQ(Send({{"A", "2"}, {"B", "3"}, {"C", "4"}}),
            "B=1 Y= A=~ C=~ $ROW_STATUS$=timeout|A=2 B=3 C=4|");
  gNow += 5000;
  EXPECT_EQ(Send({{"A", "5"}}), "-"); // an empty row ends without a trace
  EXPECT_EQ(Stat("Stats.Partial"), "1");
  EXPECT_EQ(Stat("Stats.Discarded"), "0");
  EXPECT_EQ(Stat("Stats.Rows"), "2");

  // A variable configured twice is never complete; its partial row names it once.
  Configure({"A", "A"}, [](TProxyCodeObject& s) {
    s.spTimeout_Value = 1000;
    s.chkPartial_Checked = true;
  });
  EXPECT_EQ(Send({{"A", "1"}}), "-");
  gNow += 1000;
  EXPECT_EQ(Send({{"Z", "1"}}), "A=1 $ROW_STATUS$=timeout|");
}

// In the "do not reset" mode the last humidity value no longer rides along once it is older
// than the lifetime, and the row waits for a fresh one.
TEST_F(OptionsEngine, ValueLifetimeDropsTheValueOfASilentSensor) {
  Configure({"Temp", "Hum"}, [](TProxyCodeObject& s) {
    s.chkNoReset_Checked = true;
    s.spLifetime_Value = 1000;
  });
  EXPECT_EQ(Send({{"Temp", "1"}, {"Hum", "40"}, {"X", "x"}}), "Temp=1 Hum=40 X=x|");
  gNow += 500;
  EXPECT_EQ(Send({{"Temp", "2"}}), "Temp=2 Hum=40 X=x|");
  gNow += 500; // Hum and X are 1000 ms old
  EXPECT_EQ(Send({{"Temp", "3"}}), "-");
  EXPECT_EQ(Send({{"Hum", "~"}}), "-"); // an empty value does not count
  gNow += 200;
  EXPECT_EQ(Send({{"Hum", "41"}}), "Temp=3 Hum=41|");
  gNow += 1000;
  EXPECT_EQ(Stat("Stats.Groups"), "1");
  EXPECT_EQ(Send({{"Y", "1"}}), "-");
  EXPECT_EQ(Stat("Stats.Groups"), "1"); // only Y is left
  gNow += 1000;
  EXPECT_EQ(Send({{"Temp", "~"}}), "-");
  EXPECT_EQ(Stat("Stats.Groups"), "0");
}

TEST_F(OptionsEngine, InterleavedStationsKeepTheirOwnRows) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) { s.cbGroupBy_Text = " station "; });
  EXPECT_EQ(Send({{"Station", "s1"}, {"A", "10"}}), "-");
  EXPECT_EQ(Send({{"STATION", "s2"}, {"A", "20"}}), "-");
  EXPECT_EQ(Send({{"Station", "S1"}, {"A", "99"}}), "-"); // key values are texts as they stand
  EXPECT_EQ(Stat("Stats.Groups"), "3");
  EXPECT_EQ(Send({{"Station", "s1"}, {"B", "11"}}), "Station=s1 A=10 B=11|");
  EXPECT_EQ(Send({{"A", "30"}}), "-"); // no key: the group of the empty key
  // The first non-empty key counts; an empty one is passed over.
  EXPECT_EQ(Send({{"Station", "~"}, {"Station", "s2"}, {"B", "21"}}), "STATION=s2 A=20 B=21|");
  EXPECT_EQ(Send({{"B", "31"}}), "A=30 B=31|");
  EXPECT_EQ(Stat("Stats.Groups"), "1");

  // Each group has its own timer: station 1 times out while station 2 keeps sending.
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.cbGroupBy_Text = "Station";
    s.spTimeout_Value = 1000;
    s.chkPartial_Checked = true;
  });
  EXPECT_EQ(Send({{"Station", "1"}, {"A", "1"}}), "-");
  for (int k = 0; k < 3; ++k) {
    gNow += 400;
    EXPECT_EQ(Send({{"Station", "2"}, {"A", std::to_string(k)}}),
              k < 2 ? "-" : "Station=1 A=1 B=~ $ROW_STATUS$=timeout|");
  }
  EXPECT_EQ(Send({{"Station", "2"}, {"B", "9"}}), "Station=2 A=2 B=9|");
}

// A partial row carries exactly one status, the filter's own, last, also when the packets
// brought one (a filter fed with another filter's partial rows); complete rows pass it on as
// any other item. A group that received only its key collected nothing and ends silently.
TEST_F(OptionsEngine, PartialRowsCarryOneStatusAndAKeyAloneIsNoRow) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.cbGroupBy_Text = "Dev";
    s.spTimeout_Value = 1000;
    s.chkPartial_Checked = true;
  });
  EXPECT_EQ(Send({{"$ROW_STATUS$", "from the host"}, {"Dev", "x"}, {"A", "1"}}), "-");
  EXPECT_EQ(Send({{"Dev", "y"}}), "-");
  EXPECT_EQ(Send({{"Dev", "z"}, {"$row_status$", "age"}, {"A", "2"}, {"B", "3"}}),
            "Dev=z $row_status$=age A=2 B=3|");
  gNow += 1000;
  EXPECT_EQ(Send({{"Dev", "w"}, {"A", "4"}}), "Dev=x A=1 B=~ $ROW_STATUS$=timeout|");
  EXPECT_EQ(Stat("Stats.Partial"), "1");
  EXPECT_EQ(Stat("Stats.Discarded"), "0");
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.cbGroupBy_Text = "Dev";
    s.spTimeout_Value = 1000;
  });
  EXPECT_EQ(Send({{"Dev", "y"}}), "-");
  gNow += 1000;
  EXPECT_EQ(Send({{"Dev", "v"}, {"A", "1"}}), "-");
  EXPECT_EQ(Stat("Stats.Discarded"), "0");
}

// Keys are told apart by their whole text in every script, and the row carries the key as it
// came; an integer and the text of its digits are one key.
TEST_F(OptionsEngine, GroupKeysInEveryScriptAreTheirOwnGroups) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) { s.cbGroupBy_Text = "Dev"; });
  const auto send = [&](rtl::Variant key, const char* name, int32_t value) {
    TzetParamsList packet;
    packet.Add("Dev", std::move(key));
    packet.Add(name, rtl::Variant::Int32(value));
    TPluginCallRec r = Rec(nullptr);
    r.Input.Kind = ZET_KIND_LIST;
    r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
    frame::ProcessData(&r);
    const auto* rows = reinterpret_cast<const TzetParamsList*>(r.Output.Data);
    std::u16string row;
    for (int32_t i = 0; r.Output.Kind == ZET_KIND_LIST && rows && i < rows->Count(); ++i)
      if (rows->Item(i)->Name != "$NEW_ROW$")
        row += rtl::Variant(rows->Item(i)->Value).ToWide() + u" ";
    return row;
  };
  const std::vector<std::pair<std::u16string, std::u16string>> pairs = {
      {u"\u03A91", u"\u04161"},       // Greek and Cyrillic
      {u"\u6C34", u"\u706B"},         // two CJK characters
      {u"\U0001F600", u"\U0001F601"}, // two emoji
      {u"x\xD800", u"x\xD801"},       // surrogates without their pair
      {u"caf\u00E9", u"cafe\u0301"}}; // the same word, composed and not: two texts
  for (const auto& [first, second] : pairs) {
    EXPECT_EQ(send(rtl::Variant::Wide(first), "A", 1), u"");
    EXPECT_EQ(send(rtl::Variant::Wide(second), "A", 2), u"");
    EXPECT_EQ(send(rtl::Variant::Wide(first), "B", 3), first + u" 1 3 ");
    EXPECT_EQ(send(rtl::Variant::Wide(second), "B", 4), second + u" 2 4 ");
  }
  EXPECT_EQ(send(rtl::Variant::Int32(1), "A", 5), u"");
  EXPECT_EQ(send(rtl::Variant::Wide(u"1"), "B", 6), u"1 5 6 ");
  EXPECT_EQ(Stat("Stats.Groups"), "0");
}

TEST_F(OptionsEngine, ANewGroupBeyondTheBoundEndsTheGroupIdleLongest) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.cbGroupBy_Text = "Station";
    s.spMaxGroups_Value = 2;
    s.chkPartial_Checked = true;
  });
  EXPECT_EQ(Send({{"Station", "1"}, {"A", "1"}}), "-");
  EXPECT_EQ(Send({{"Station", "2"}, {"A", "2"}}), "-");
  EXPECT_EQ(Send({{"Station", "1"}, {"X", "1"}}), "-"); // station 2 is now idle longest
  EXPECT_EQ(Send({{"Station", "3"}, {"A", "3"}}), "Station=2 A=2 B=~ $ROW_STATUS$=timeout|");
  EXPECT_EQ(Stat("Stats.Groups"), "2");
  EXPECT_EQ(Send({{"Station", "1"}, {"B", "1"}}), "Station=1 A=1 X=1 B=1|");
  EXPECT_EQ(Stat("Stats.LastReason"), "complete");

  Configure({}, [](TProxyCodeObject& s) { s.cbGroupBy_Text = "Station"; });
  EXPECT_EQ(Send({{"Station", "1"}}), "<no output>"); // as without grouping: 0 and no list
  EXPECT_EQ(Stat("Stats.Groups"), "0");
}

// A stream of ever new key values between two stations: the table never holds more groups than
// its bound, and no row of the stations, which stay among the recent groups, is lost.
TEST_F(OptionsEngine, EndlessNewKeysKeepTheTableBoundedAndLoseNoRowOfOpenGroups) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.cbGroupBy_Text = "Station";
    s.spMaxGroups_Value = 8;
  });
  constexpr int kRounds = 20000;
  int released = 0;
  for (int i = 0; i < kRounds; ++i) {
    const std::string n = std::to_string(i);
    const std::string station = i % 2 ? "north" : "south";
    const std::string rows = Send({{"Station", station}, {i % 4 < 2 ? "A" : "B", n}});
    if (i % 4 >= 2) {
      const std::string first = std::to_string(i - 2);
      EXPECT_EQ(rows, "Station=" + station + " A=" + first + " B=" + n + "|");
      ++released;
    }
    Send({{"Station", "noise" + n}, {"A", n}});
    Send({{"Station", "other" + n}, {"A", n}});
    ASSERT_LE(std::stoi(Stat("Stats.Groups")), 8);
  }
  EXPECT_EQ(Stat("Stats.Rows"), std::to_string(released));
  EXPECT_EQ(Stat("Stats.Discarded"), std::to_string(2 * kRounds - 6));
}

TEST_F(OptionsEngine, CountersAfterAKnownStreamAndTheirReset) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) { s.spTimeout_Value = 1000; }); // plain mode
  EXPECT_EQ(Stat("Stats.LastReason"), "");
  Send({{"A", "1"}});
  EXPECT_EQ(Stat("Stats.Groups"), "1");
  Send({{"B", "2"}});
  EXPECT_EQ(Stat("Stats.Groups"), "0");
  Send({{"A", "3"}});
  gNow += 1000;
  Send({{"B", "4"}});
  TPluginCallRec noInput = Rec(nullptr);
  frame::ProcessData(&noInput); // not a packet
  EXPECT_EQ(Stat("Stats.Packets"), "4");
  EXPECT_EQ(Stat("stats.rows"), "1");
  EXPECT_EQ(Stat("Stats.Partial"), "0");
  EXPECT_EQ(Stat("Stats.Discarded"), "1");
  EXPECT_EQ(Stat("Stats.LastReason"), "timeout");
  EXPECT_EQ(module_->GetNamedProperty("Stats.Unknown").Type(), platform::vtEmpty);

  EXPECT_EQ(Command("RESET-STATS"), 0);
  for (const char* counter : {"Stats.Packets", "Stats.Rows", "Stats.Partial", "Stats.Discarded"})
    EXPECT_EQ(Stat(counter), "0") << counter;
  EXPECT_EQ(Stat("Stats.LastReason"), "");
  EXPECT_EQ(Stat("Stats.Groups"), "1"); // a state: B=4 is still pending
  EXPECT_EQ(Command("RESET-OTHER"), -2);

  // The "do not reset" mode keeps a released row: its timeout loses nothing.
  Configure({"A"}, [](TProxyCodeObject& s) {
    s.spTimeout_Value = 1000;
    s.chkNoReset_Checked = true;
  });
  Send({{"A", "1"}});
  gNow += 1000;
  Send({{"X", "1"}});
  EXPECT_EQ(Stat("Stats.Discarded"), "0");
}

// Stations on two threads while the options switch between the two paths, time passes and the
// counters are read and reset.
TEST_F(OptionsEngine, DataCallsOnOtherThreadsWhileOptionsChange) {
  auto grouped = [](TProxyCodeObject& s) {
    s.cbGroupBy_Text = "Station";
    s.spMaxGroups_Value = 3;
    s.spAgeLimit_Value = 50;
    s.spTimeout_Value = 30;
    s.chkPartial_Checked = true;
  };
  Configure({"A", "B"}, grouped);
  std::atomic<bool> stop{false};
  std::atomic<int> released{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 2; ++t)
    senders.emplace_back([&, t] {
      for (int i = 0; !stop; ++i) {
        const std::string rows = Send(
            {{"Station", std::to_string(t * 10 + i % 5)}, {i % 2 ? "A" : "B", std::to_string(i)}});
        if (rows != "-" && rows != "<no output>") {
          EXPECT_EQ(rows.back(), '|') << rows;
          ++released;
        }
      }
    });
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (int i = 0; i < 200 || (released < 20 && std::chrono::steady_clock::now() < limit); ++i) {
    gNow += 7;
    if (i % 10 == 0)
      Configure({"A", "B"}, i % 20 ? grouped : std::function<void(TProxyCodeObject&)>{});
    Stat(i % 2 ? "Stats.Groups" : "Stats.Rows");
    if (i % 25 == 0)
      Command("RESET-STATS");
  }
  stop = true;
  for (auto& t : senders)
    t.join();
  EXPECT_GT(released.load(), 0);
}

// Without the reset a group's kept row is written through into the released row in one walk:
// not while a variable is still missing (the rows of another thread, released before the
// settings changed, have the same names), and a value written so counts as stored now for the
// value lifetime.
TEST_F(OptionsEngine, KeptGroupRowFilledInPlaceWaitsForEveryVariableAndRestartsTheLifetime) {
  const rtl::AnsiString station("Station"), a("A"), x("X");
  TzetParamsList packet;
  packet.Add(station, rtl::Variant::Int32(1));
  packet.Add(a, rtl::Variant::Int32(10));
  packet.Add(x, rtl::Variant::Int32(5));
  auto send = [&] {
    TPluginCallRec r = Rec(nullptr);
    r.Input.Kind = ZET_KIND_LIST;
    r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
    const int32_t result = frame::ProcessData(&r);
    return std::to_string(result) + " " +
           (r.Output.Kind == ZET_KIND_LIST
                ? RowsText(reinterpret_cast<const TzetParamsList*>(r.Output.Data))
                : "<no output>");
  };
  auto grouped = [](double lifetime) {
    return [lifetime](TProxyCodeObject& s) {
      s.cbGroupBy_Text = "Station";
      s.chkNoReset_Checked = true;
      s.spLifetime_Value = lifetime;
    };
  };
  Configure({"A"}, grouped(0));
  EXPECT_EQ(send(), "0 Station=1 A=10 X=5|");
  EXPECT_EQ(send(), "0 Station=1 A=10 X=5|");
  Configure({"A", "B"}, grouped(0));
  std::thread([&] { EXPECT_EQ(send(), "-2 "); }).join();
  EXPECT_EQ(send(), "-2 ") << "B is still missing";

  Configure({"A"}, grouped(1000));
  gNow = 10000;
  EXPECT_EQ(send(), "0 Station=1 A=10 X=5|");
  gNow = 10900;
  packet.Item(1)->SetValue(rtl::Variant::Int32(11));
  EXPECT_EQ(send(), "0 Station=1 A=11 X=5|");
  // X was stored again at 10900: at 11500 it is still valid.
  gNow = 11500;
  TzetParamsList other;
  other.Add(station, rtl::Variant::Int32(1));
  other.Add(a, rtl::Variant::Int32(12));
  TPluginCallRec r = Rec(nullptr);
  r.Input.Kind = ZET_KIND_LIST;
  r.Input.Data = reinterpret_cast<uintptr_t>(&other);
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_EQ(RowsText(reinterpret_cast<const TzetParamsList*>(r.Output.Data)),
            "Station=1 A=12 X=5|");
}

// Interleaved stations whose rows are filled again in place: random streams of kept packets per
// station (stable shapes, names twice, markers, empty slots, empty and text values, missing
// variables), with the timeout, the age limit, the value lifetime, partial rows, a bound that
// evicts groups and merge strategies, under a clock that moves, must give the host exactly what
// the general way gives, and leave the same counters.
TEST_F(OptionsEngine, GroupRowsFilledAgainInPlaceAreTheRowsOfTheGeneralWay) {
  auto run = [&](bool refill, unsigned seed) {
    std::minstd_rand random(seed);
    const bool noReset = seed % 2 == 0;
    auto configure = [&] {
      const unsigned options = random();
      Configure({"A", "B", "C"}, [&](TProxyCodeObject& s) {
        s.cbGroupBy_Text = "Station";
        s.chkNoReset_Checked = noReset;
        s.spTimeout_Value = options % 2 ? 700 : 0;
        s.spAgeLimit_Value = options % 3 == 0 ? 500 : 0;
        s.spLifetime_Value = options % 5 == 0 ? 900 : 0;
        s.chkPartial_Checked = options % 7 < 4;
        s.spMaxGroups_Value = options % 11 < 6 ? 3 : 256;
        const char* const strategies[] = {"Last", "First", "Min", "Max", "Sum", "Count"};
        s.Merges[0] = strategies[options % 13 % std::size(strategies)];
      });
    };
    configure();
    module_->Engine->RefillRows = refill;
    gNow = 1000;
    Command("RESET-STATS");
    // Each station's packets are lists of its own, with name blocks of its own, as devices send.
    struct Station {
      std::vector<std::unique_ptr<TzetParamsList>> shapes;
    };
    std::vector<Station> stations(5);
    for (std::size_t k = 0; k < stations.size(); ++k) {
      auto shape = [&](std::vector<std::string> names) {
        stations[k].shapes.push_back(engine_test::KeptPacket(
            names, [](const std::string& name) { return rtl::AnsiString(name); }));
      };
      shape({"Station", "A", "X", "B", "C"});
      shape({"Station", "A", "B"});
      shape({"Station", "C", "Y"});
      shape({"Station", "A", "a", "B", "C"});
      shape({"Station", "A", "|", "B", "C"});
      shape({"Station", "A", "null", "B", "C"});
      shape({"A", "X", "B", "C"}); // no key: the group of the empty key
    }
    std::vector<std::string> answers;
    for (int call = 0; call < 400; ++call) {
      const unsigned pick = random() % 100;
      if (pick >= 98)
        configure();
      gNow += random() % 4 == 0 ? random() % 400 : random() % 20;
      TPluginCallRec r = Rec(nullptr);
      if (pick < 3) {
        answers.push_back(engine_test::AnswerDump(frame::ProcessData(&r), r.Output));
        continue;
      }
      Station& station = stations[random() % stations.size()];
      TzetParamsList& packet =
          *station.shapes[pick < 60 ? 0 : 1 + random() % (station.shapes.size() - 1)];
      const int key = static_cast<int>(&station - stations.data());
      for (int32_t i = 0; i < packet.Count(); ++i) {
        TzetParamsListItem* item = packet.Item(i);
        if (!item || item->Name == "$NEW_ROW$")
          continue;
        if (item->Name == "Station") {
          item->SetValue(rtl::Variant::Int32(key));
          continue;
        }
        const unsigned kind = random() % 20;
        item->SetValue(kind == 0   ? rtl::Variant::Null()
                       : kind == 1 ? rtl::Variant()
                       : kind == 2 ? rtl::Variant::FromAnsiText("t" + std::to_string(call))
                                   : rtl::Variant::Int32(call * 10 + i));
      }
      r.Input.Kind = ZET_KIND_LIST;
      r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
      const int32_t result = frame::ProcessData(&r);
      // The groups holding a row and the rows ended show what the table did with the groups.
      answers.push_back(engine_test::AnswerDump(result, r.Output) + " holding " +
                        Stat("Stats.Groups") + " discarded " + Stat("Stats.Discarded") +
                        " partial " + Stat("Stats.Partial"));
      if (r.Output.Kind == ZET_KIND_LIST && r.Output.Data) {
        auto* rows = reinterpret_cast<TzetParamsList*>(r.Output.Data);
        // A host that writes into the row it read.
        if (rows->Count() > 2 && random() % 10 == 0) {
          const int32_t k = static_cast<int32_t>(random() % (rows->Count() - 2));
          rows->Item(k + 1)->Name = rows->Item(k)->Name;
        }
      }
    }
    for (const char* stat : {"Stats.Packets", "Stats.Rows", "Stats.Partial", "Stats.Discarded",
                             "Stats.Groups", "Stats.LastReason"})
      answers.push_back(std::string(stat) + " " + Stat(stat));
    return answers;
  };
  for (unsigned seed = 1; seed <= 16; ++seed) {
    const std::vector<std::string> refilled = run(true, seed);
    const std::vector<std::string> expected = run(false, seed);
    ASSERT_EQ(refilled.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
      ASSERT_EQ(refilled[k], expected[k]) << "seed " << seed << " call " << k;
  }
}

// The plain mode and the grouped mode are one rule: with an option that never
// takes effect (an age limit no row reaches, a group variable no packet carries: every packet in
// one group) a random stream gets the same answers, rows and counters as without options.
TEST_F(OptionsEngine, OptionsThatNeverTakeEffectGiveThePlainModesAnswers) {
  const char* const kNames[] = {"A", "B", "C", "X", "a", "|", "null"};
  auto run = [&](unsigned seed, bool noReset, const std::function<void(TProxyCodeObject&)>& on) {
    Configure({"A", "B", "C"}, [&](TProxyCodeObject& s) {
      s.chkNoReset_Checked = noReset;
      if (on)
        on(s);
    });
    std::minstd_rand random(seed);
    std::vector<std::string> answers;
    for (int call = 0; call < 300; ++call) {
      TzetParamsList packet;
      const int count = 1 + static_cast<int>(random() % 6);
      for (int i = 0; i < count; ++i) {
        const std::string name = kNames[random() % std::size(kNames)];
        const unsigned kind = random() % 10;
        if (name == "|")
          packet.AddNewRow();
        else if (name == "null")
          static_cast<TList&>(packet).Add(nullptr);
        else
          packet.Add(name, kind == 0   ? rtl::Variant::Null()
                           : kind == 1 ? rtl::Variant()
                           : kind == 2 ? rtl::Variant::FromAnsiText("t" + std::to_string(call))
                                       : rtl::Variant::Int32(call * 10 + i));
      }
      TPluginCallRec r = Rec(nullptr);
      r.Input.Kind = ZET_KIND_LIST;
      r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
      const int32_t result = frame::ProcessData(&r);
      answers.push_back(engine_test::AnswerDump(result, r.Output));
      gNow += random() % 50;
    }
    for (const char* counter :
         {"Stats.Packets", "Stats.Rows", "Stats.Partial", "Stats.Discarded", "Stats.LastReason"})
      answers.push_back(std::string(counter) + "=" + Stat(counter));
    Command("RESET-STATS");
    return answers;
  };
  const std::function<void(TProxyCodeObject&)> options[] = {
      [](TProxyCodeObject& s) { s.spAgeLimit_Value = 1e9; },
      [](TProxyCodeObject& s) { s.cbGroupBy_Text = "NoPacketCarriesIt"; }};
  for (const bool noReset : {false, true})
    for (unsigned seed = 1; seed <= 6; ++seed) {
      const std::vector<std::string> plain = run(seed, noReset, nullptr);
      EXPECT_NE(plain[plain.size() - 4], "Stats.Rows=0") << "the stream releases rows";
      for (const auto& option : options) {
        const std::vector<std::string> advanced = run(seed, noReset, option);
        ASSERT_EQ(advanced.size(), plain.size());
        for (std::size_t k = 0; k < plain.size(); ++k)
          ASSERT_EQ(advanced[k], plain[k]) << "seed " << seed << " reset " << !noReset << " #" << k;
      }
    }
}

// Each merge strategy over the values 3, 5, a text and 4 of one variable, in the plain mode and in
// the grouped one (an age limit no row reaches): the text counts only for Count and Concat, the
// other numeric strategies leave it out. A packet that makes a row of its own, twice, shows that
// the row released last is not filled again in place with the raw values.
TEST_F(OptionsEngine, MergeStrategiesCombineAVariablesValues) {
  const struct {
    const char* Strategy;
    const char* Row;
    const char* Own; // the row of a packet with A=#7 and B
    int Misfits;
  } kCases[] = {{"Last", "A=4 B=b", "A=7 B=b", 0},   {"First", "A=3 B=b", "A=7 B=b", 0},
                {"Sum", "A=12 B=b", "A=7 B=b", 1},   {"min", "A=3 B=b", "A=7 B=b", 1},
                {"Max", "A=5 B=b", "A=7 B=b", 1},    {"Mean", "A=4 B=b", "A=7 B=b", 1},
                {"Count", "A=4 B=b", "A=1 B=b", 0},  {"Concat", "A=3, 5, x, 4 B=b", "A=7 B=b", 0},
                {"Unknown", "A=4 B=b", "A=7 B=b", 0}};
  for (const auto& c : kCases)
    for (const bool grouped : {false, true}) {
      SCOPED_TRACE(std::string(c.Strategy) + (grouped ? " grouped" : " plain"));
      Configure({"A", "B"}, [&](TProxyCodeObject& s) {
        s.Merges[0] = c.Strategy;
        if (grouped)
          s.spAgeLimit_Value = 1e9;
      });
      Command("RESET-STATS");
      for (const char* value : {"#3", "#5", "x", "#4"})
        EXPECT_EQ(Send({{"A", value}}), "-");
      EXPECT_EQ(Send({{"B", "b"}}), std::string(c.Row) + "|");
      for (int round = 0; round < 2; ++round)
        EXPECT_EQ(Send({{"A", "#7"}, {"B", "b"}}), std::string(c.Own) + "|");
      EXPECT_EQ(Stat("Stats.Misfits"), std::to_string(c.Misfits));
    }
}

// A misfit marks nothing: a row whose variable got only texts under Sum waits, counted and said
// in the host log once. Without the reset the strategies run on across the re-released rows; a
// value that outlives its lifetime starts its tally anew. A strategy names a variable by its
// place among the configured names, blank ones skipped.
TEST_F(OptionsEngine, MergeStrategiesMisfitsAndKeptRows) {
  Configure({"", "A", "B"}, [](TProxyCodeObject& s) {
    s.Merges[1] = "Sum";
    s.Merges[2] = "Count";
  });
  TakeLog();
  EXPECT_EQ(Send({{"A", "x"}, {"B", "1"}}), "-");
  EXPECT_EQ(Send({{"A", "y"}}), "-");
  EXPECT_EQ(Send({{"A", "#2.5"}}), "B=1 A=2.5|");
  EXPECT_EQ(Stat("Stats.Misfits"), "2");
  const std::string log = TakeLog();
  EXPECT_NE(log.find("A value of \"A\" that is not a number was left out of its Sum"),
            std::string::npos)
      << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;

  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.chkNoReset_Checked = true;
    s.Merges[0] = "Sum";
    s.Merges[1] = "Max";
    s.spLifetime_Value = 1000;
  });
  EXPECT_EQ(Send({{"A", "#1"}, {"B", "#5"}}), "A=1 B=5|");
  EXPECT_EQ(Send({{"A", "#2"}, {"B", "#4"}}), "A=3 B=5|");
  gNow += 600;
  EXPECT_EQ(Send({{"A", "#4"}}), "A=7 B=5|");
  gNow += 400; // B's value outlived its lifetime, A's was stored again 400 ms ago
  EXPECT_EQ(Send({{"A", "#1"}}), "-");
  EXPECT_EQ(Send({{"B", "#2"}}), "A=8 B=2|");
}

// Concat joins texts with the separator up to its bound: what goes beyond is cut, said once per
// row, and the next row joins anew.
TEST_F(OptionsEngine, ConcatIsCutAtItsBound) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.Merges[0] = "Concat";
    s.edSeparator_Text = " | ";
  });
  TakeLog();
  const std::string part(1500, 'p');
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(Send({{"A", part}}), "-");
  const std::string row = Send({{"B", "1"}});
  const std::string joined = part + " | " + part + " | " + part;
  EXPECT_EQ(row, "A=" + joined.substr(0, kMaxJoinedLength) + " B=1|");
  EXPECT_EQ(Send({{"A", "a"}, {"A", "b"}, {"B", "2"}}), "A=a | b B=2|");
  const std::string log = TakeLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
  EXPECT_NE(log.find("The joined values of \"A\" were cut at 4096"), std::string::npos) << log;
}

// With a time variable the timers run on the packets' own clock: a row times out when a later
// packet's time passes its limit, whatever the system clock says; a time earlier than the last
// one is no progress; a jump beyond the bound is a restart of the source's clock; a source that
// goes silent still has its row ended by the system clock.
TEST_F(OptionsEngine, TimeVariableDrivesTheTimers) {
  Configure({"A", "B"}, [](TProxyCodeObject& s) {
    s.spTimeout_Value = 1000;
    s.chkPartial_Checked = true;
    s.cbTimeVar_Text = " t ";
    s.spTimeJump_Value = 60000;
  });
  EXPECT_EQ(Send({{"T", "#5000"}, {"A", "1"}}), "-");
  EXPECT_EQ(Send({{"T", "#5999"}, {"A", "2"}}), "-");
  EXPECT_EQ(Send({{"T", "#5000"}, {"A", "3"}}), "-"); // earlier: no progress
  EXPECT_EQ(Send({{"T", "#6998"}, {"B", "4"}}), "T=6998 A=3 B=4|");
  EXPECT_EQ(Send({{"T", "#7000"}, {"A", "5"}}), "-");
  EXPECT_EQ(Send({{"T", "#8000"}, {"B", "6"}}), "T=7000 A=5 B=~ $ROW_STATUS$=timeout|");
  EXPECT_EQ(Send({{"T", "#500000"}, {"A", "7"}}), "T=500000 B=6 A=7|"); // a restart, no progress
  // A date is a time too: a day later is a restart, 1.5 s after that a timeout.
  const auto dated = [&](double days, const char* name) {
    platform::VariantRec date{};
    date.vt = platform::vtDate;
    date.date = days;
    TzetParamsList packet;
    packet.Add("T", rtl::Variant(date));
    packet.Add(name, rtl::Variant::Int32(9));
    TPluginCallRec r = Rec(nullptr);
    r.Input.Kind = ZET_KIND_LIST;
    r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
    return frame::ProcessData(&r) == ZET_RESULT_DONE
               ? RowsText(reinterpret_cast<const TzetParamsList*>(r.Output.Data))
               : "-";
  };
  EXPECT_EQ(dated(46000, "A"), "-");
  const std::string ended = dated(46000 + 1.5 / 86400, "B");
  EXPECT_NE(ended.find(" A=9 B=~ $ROW_STATUS$=timeout|"), std::string::npos) << ended;
  // The source goes silent: the system clock ends its row when the next packet of anyone comes.
  gNow += 1000;
  const std::string silent = Send({{"X", "1"}});
  EXPECT_NE(silent.find(" B=9 A=~ $ROW_STATUS$=timeout|"), std::string::npos) << silent;
}

// The proof of the packets' own clock: a random stream gives the same rows whether it is replayed
// with its delays (the system clock moving with the packets' times) or all at once.
TEST_F(OptionsEngine, StreamReplayedWithOrWithoutDelaysGivesTheSameRows) {
  const char* const kNames[] = {"A", "B", "C", "X"};
  auto run = [&](unsigned seed, bool delays) {
    Configure({"A", "B", "C"}, [&](TProxyCodeObject& s) {
      s.spTimeout_Value = 700;
      s.spAgeLimit_Value = seed % 2 ? 1500 : 0;
      s.chkPartial_Checked = seed % 3 != 0;
      s.cbTimeVar_Text = "Time";
      s.cbGroupBy_Text = seed % 4 < 2 ? "Station" : "";
    });
    std::minstd_rand random(seed);
    std::vector<std::string> rows;
    int time = 1000;
    for (int call = 0; call < 200; ++call) {
      // Steps well away from the timeout's edge, so that the delays' jitter cannot matter.
      const int step = random() % 4 == 0 ? 900 + static_cast<int>(random() % 300)
                                         : static_cast<int>(random() % 200);
      time += step;
      if (delays)
        gNow += step;
      Packet packet{{"Time", "#" + std::to_string(time)},
                    {"Station", std::to_string(random() % 3)}};
      for (int i = 0, n = 1 + static_cast<int>(random() % 3); i < n; ++i)
        packet.emplace_back(kNames[random() % std::size(kNames)], std::to_string(call));
      rows.push_back(Send(packet));
    }
    return rows;
  };
  for (unsigned seed = 1; seed <= 8; ++seed)
    EXPECT_EQ(run(seed, true), run(seed, false)) << "seed " << seed;
}

} // namespace
