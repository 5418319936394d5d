// Faults found by driving the library as a hostile or a busy host would: unfilled list slots,
// settings reloaded under running data calls, one instance called from several threads,
// descriptors read while commands replace them, a host window that is gone, short parser items.
#include "module_session.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

class Robustness : public HostTest {};

using Clock = std::chrono::steady_clock;

TEST_F(Robustness, UnfilledLastSlotOfARowsListInAnExportRole) {
  // Not loaded: the module has no engine yet, which is a failure answered with -3.
  const uint32_t h = FreshHandle();
  hostkit::HostList params, packet(/*rowsList=*/true);
  packet.AddUnfilled();
  RecordBytes r;
  r.Handle(h).Params(params.Raw()).Types(ZET_MTT_DATA_EXPORT);
  r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
  EXPECT_EQ(X().ProcessData(r.Rec()), -3);
  // The slot is no row marker, so the host's last row was closed with one.
  std::vector<hostkit::ItemView> items = hostkit::ReadList(packet.Raw());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].name, ZET_ROW_MARKER);
  RecordBytes release;
  release.Handle(h).Action(ZET_ACTION_RELEASE);
  X().GetModuleType(release.Rec());

  // Loaded: the unfilled slot carries no value, and the row is released at the marker.
  ModuleSession module({"Var1=A"});
  hostkit::HostList rows(/*rowsList=*/true);
  rows.AddInt("A", 7);
  rows.AddUnfilled();
  RecordBytes d;
  d.Handle(module.Handle()).Params(params.Raw()).Types(ZET_MTT_DATA_EXPORT | ZET_MTT_FILTER);
  d.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(rows.Raw()));
  EXPECT_EQ(X().ProcessData(d.Rec()), 0);
  EXPECT_EQ(OutputRowsText(d), "A=7|");
}

TEST_F(Robustness, PacketsDuringSettingsReloadsAreMergedUnderSomeConfiguration) {
  // B never arrives, so every packet answers -2 with the empty output list; a packet merged
  // while no variable is configured would answer 0 without output instead.
  ModuleSession module({"Var1=A", "Var2=B"});
  std::atomic<bool> stop{false};
  std::atomic<int> reloads{0}, sent{0}, unconfigured{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&] {
      for (int i = 0; !stop; ++i) {
        std::string rows;
        if (module.Send({{"A", i}}, rows) != -2 || rows != "")
          ++unconfigured;
        ++sent;
      }
    });
  }
  const auto limit = Clock::now() + std::chrono::seconds(5);
  while (reloads < 200 && Clock::now() < limit) {
    EXPECT_EQ(module.Reload(), -2);
    ++reloads;
  }
  stop = true;
  for (std::thread& c : callers)
    c.join();
  EXPECT_EQ(unconfigured.load(), 0) << "of " << sent << " packets during " << reloads << " reloads";
}

TEST_F(Robustness, EachCallerOfASharedInstanceGetsItsOwnRow) {
  ModuleSession module({"Var1=A", "Var2=B"});
  constexpr int kThreads = 4;
  constexpr int kPackets = 3000;
  std::atomic<int> lost{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < kThreads; ++t) {
    callers.emplace_back([&, t] {
      for (int i = 0; i < kPackets; ++i) {
        std::string rows;
        const int32_t code = module.Send({{"A", i}, {"B", t}}, rows);
        if (code != 0 || rows != "A=" + std::to_string(i) + " B=" + std::to_string(t) + "|")
          ++lost;
      }
    });
  }
  for (std::thread& c : callers)
    c.join();
  EXPECT_EQ(lost.load(), 0);

  // One thread alone sees the instance's one output list, as before: the same list for the
  // released row and for the empty answer, emptied by a call without input.
  RecordBytes first, second, none;
  hostkit::HostList params, a, b;
  a.AddInt("A", 1);
  b.AddInt("B", 2);
  first.Handle(module.Handle()).Params(params.Raw()).Types(ZET_MTT_FILTER);
  first.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(a.Raw()));
  EXPECT_EQ(X().ProcessData(first.Rec()), -2);
  second.Handle(module.Handle()).Params(params.Raw()).Types(ZET_MTT_FILTER);
  second.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(b.Raw()));
  EXPECT_EQ(X().ProcessData(second.Rec()), 0);
  EXPECT_EQ(second.OutputData(), first.OutputData());
  EXPECT_EQ(OutputRowsText(second), "A=1 B=2|");
  none.Handle(module.Handle()).Params(params.Raw()).Types(ZET_MTT_FILTER);
  EXPECT_EQ(X().ProcessData(none.Rec()), 0);
  EXPECT_EQ(OutputRowsText(second), "");
}

TEST_F(Robustness, DescriptorsReadWhileCommandsReplaceThem) {
  ModuleSession module({});
  const std::string names[2] = {"Aggregation", "A longer description of the module"};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop; ++i) {
      module.Command("SET-MODULE-PARAMETER", [&](hostkit::HostList& p) {
        p.AddText("PARAM", i % 3 == 0 ? "LogTitle" : "Description");
        p.AddText("VALUE", names[i % 2]);
      });
      module.Command("SET-MODULE-PARAMETER", [&](hostkit::HostList& p) {
        p.AddText("PARAM", "ModuleType");
        p.AddInt("VALUE", i % 2 ? 0x80 : 0x20);
      });
      module.Command("SET-MODULE-PARAMETER", [&](hostkit::HostList& p) {
        p.AddText("PARAM", "CustomCommands");
        p.AddText("VALUE", "Run|Run it|Runs it|1|0");
      });
    }
  });
  RecordBytes r;
  hostkit::HostList params;
  r.Handle(module.Handle()).Params(params.Raw());
  std::vector<char> info(1 << 16);
  reinterpret_cast<TPluginModuleInfo*>(info.data())->Size = static_cast<uint32_t>(info.size());
  char commands[64];
  int wrong = 0;
  const auto until = Clock::now() + std::chrono::seconds(1);
  for (int i = 0; Clock::now() < until; ++i) {
    const std::string description = X().GetModuleDescription(r.Rec());
    if (description != names[0] && description != names[1])
      ++wrong;
    uint32_t required = 0;
    if (X().GetModuleInfo(r.Rec(), reinterpret_cast<TPluginModuleInfo*>(info.data()), &required)) {
      const auto* m = reinterpret_cast<const TPluginModuleInfo*>(info.data());
      const std::string text(reinterpret_cast<const char*>(m->DescriptionText),
                             m->DescriptionLength);
      if (text != names[0] && text != names[1])
        ++wrong;
    }
    const uint32_t type = X().GetModuleType(r.Rec());
    if (type != 0x20 && type != 0x80)
      ++wrong;
    r.Input(ZET_KIND_NONE, reinterpret_cast<uintptr_t>(commands), sizeof commands);
    X().GetCustomCommands(r.Rec());
  }
  stop = true;
  writer.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(Robustness, RepeatedLogLinesFoldWhenTheHostWindowIsGone) {
  // A handle that names no window: every send fails, and the lines wait for GetLogEx.
  ModuleSession module({}, /*window=*/0x7FFF0F01);
  hostkit::HostList params;
  RecordBytes r;
  r.Handle(module.Handle()).Params(params.Raw()).Types(ZET_MTT_DATA_EXPORT);
  constexpr int kCalls = 2000;
  for (int i = 0; i < kCalls; ++i)
    EXPECT_EQ(X().ProcessData(r.Rec()), 0);
  std::vector<char> buffer(1 << 20);
  RecordBytes get;
  get.Handle(module.Handle())
      .Params(params.Raw())
      .Input(ZET_KIND_NONE, reinterpret_cast<uintptr_t>(buffer.data()),
             static_cast<int32_t>(buffer.size()));
  const int32_t length = X().GetLogEx(get.Rec());
  ASSERT_GT(length, 0);
  const std::string text(buffer.data(), static_cast<std::size_t>(length));
  ASSERT_EQ(text.find("\r\n"), text.size() - 2) << "more than one line kept";
  EXPECT_EQ(text, "\x02"
                  "Aggregation. No data for processing x" +
                      std::to_string(kCalls) + "\r\n");
}

TEST_F(Robustness, ParserItemsKeepOneEntryPerLineOfTheText) {
  ModuleSession module({});
  EXPECT_EQ(module.Command("SET-ITEMS",
                           [](hostkit::HostList& p) {
                             p.AddText("ITEMS", "Temperature|T1|Float|\r\nPressure\r\nP|P1|Word");
                           }),
            0);
  EXPECT_EQ(module.Get("ParserItemsCount").text, "3");
  EXPECT_EQ(module.Get("ParserItemName000").text, "T1");
  EXPECT_EQ(module.Get("ParserItemName001").text, "");
  EXPECT_EQ(module.Get("ParserItems").text, "Temperature|T1|Float|\r\n||String|\r\n||String|");
}

} // namespace
