// A busy host: four threads call one instance, four more call an instance each, while another
// thread reloads the settings of all five and runs commands and descriptor calls on them. Every
// packet that completes a row must hand exactly that row to the thread that sent it. The run is
// bounded in time; under ThreadSanitizer it also proves the data path free of races. Then a host
// thread pool of 200 threads on one instance.
#include "module_session.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class Stress : public HostTest {};

using Clock = std::chrono::steady_clock;

constexpr int kSharedCallers = 4;
constexpr int kOwnCallers = 4;
constexpr auto kRunTime = std::chrono::milliseconds(2500);
// A handle that names no window: log lines are kept for GetLogEx.
constexpr uintptr_t kNoWindow = 0x7FFF0F02;

struct Tally {
  std::atomic<long> checked{0};
  std::atomic<long> lost{0};
};

// One packet that completes a row by itself; the row must be exactly its values.
void SendComplete(const ModuleSession& module, int32_t a, int32_t b, uint8_t types, Tally& tally) {
  hostkit::HostList packet, params;
  packet.AddInt("A", a);
  packet.AddInt("B", b);
  RecordBytes r;
  r.Handle(module.Handle()).Params(params.Raw()).Types(types);
  r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
  const int32_t code = HostTest::X().ProcessData(r.Rec());
  ++tally.checked;
  if (code != 0 || OutputRowsText(r) != "A=" + std::to_string(a) + " B=" + std::to_string(b) + "|")
    ++tally.lost;
}

// One of the calls another thread of the host makes meanwhile.
void Commands(const ModuleSession& m, int i) {
  switch (i % 6) {
  case 0:
    m.Reload();
    break;
  case 1:
    m.Command("SET-MODULE-PARAMETER", [&](hostkit::HostList& p) {
      p.AddText("PARAM", i % 4 ? "Description" : "LogTitle");
      p.AddText("VALUE", "Aggregation " + std::to_string(i));
    });
    break;
  case 2:
    m.Command("SET-ITEMS", [](hostkit::HostList& p) { p.AddText("ITEMS", "A|A|Integer|\r\nB"); });
    m.Get("ParserItems");
    break;
  case 3: {
    hostkit::HostList params;
    RecordBytes r;
    r.Handle(m.Handle()).Params(params.Raw());
    std::vector<char> info(1024);
    reinterpret_cast<TPluginModuleInfo*>(info.data())->Size = 1024;
    uint32_t required = 0;
    HostTest::X().GetModuleInfo(r.Rec(), reinterpret_cast<TPluginModuleInfo*>(info.data()),
                                &required);
    if (const char* d = HostTest::X().GetModuleDescription(r.Rec())) {
      EXPECT_EQ(std::string(d).rfind("Aggregation", 0), 0u);
    }
    break;
  }
  case 4: {
    char buffer[4096];
    hostkit::HostList params;
    RecordBytes r;
    r.Handle(m.Handle()).Params(params.Raw());
    r.Input(ZET_KIND_NONE, reinterpret_cast<uintptr_t>(buffer), sizeof buffer);
    HostTest::X().GetLogEx(r.Rec());
    break;
  }
  default:
    m.Command("SET-MODULE-PARAMETER", [&](hostkit::HostList& p) {
      p.AddText("PARAM", "CustomCommands");
      p.AddText("VALUE", "Run|Run|Runs|1|0");
    });
    break;
  }
}

TEST_F(Stress, EveryCompletedRowReachesItsCaller) {
  const std::vector<std::string> settings = {"Var1=A", "Var2=B"};
  ModuleSession shared(settings, kNoWindow);
  std::vector<std::unique_ptr<ModuleSession>> own;
  for (int t = 0; t < kOwnCallers; ++t)
    own.push_back(std::make_unique<ModuleSession>(settings, kNoWindow));

  Tally tally;
  std::atomic<long> commands{0};
  const auto until = Clock::now() + kRunTime;
  std::vector<std::thread> threads;
  for (int t = 0; t < kSharedCallers; ++t) {
    threads.emplace_back([&, t] {
      for (int32_t i = 0; Clock::now() < until; ++i) {
        // Every eighth packet also in the events role, which logs its completion.
        const uint8_t types = i % 8 ? ZET_MTT_FILTER : ZET_MTT_FILTER | ZET_MTT_EVENTS_HANDLING;
        SendComplete(shared, i, t, types, tally);
      }
    });
  }
  for (int t = 0; t < kOwnCallers; ++t) {
    threads.emplace_back([&, t] {
      const ModuleSession& mine = *own[static_cast<std::size_t>(t)];
      for (int32_t i = 0; Clock::now() < until; ++i) {
        // A packet that completes nothing (B is missing) answers -2 with the empty list.
        std::string rows;
        if (mine.Send({{"A", -i}}, rows) != -2 || rows != "")
          ++tally.lost;
        SendComplete(mine, i, 100 + t, ZET_MTT_FILTER, tally);
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; Clock::now() < until; ++i) {
      Commands(shared, i);
      Commands(*own[static_cast<std::size_t>(i) % own.size()], i);
      commands += 2;
    }
  });
  for (std::thread& t : threads)
    t.join();

  std::printf("stress: %ld packets checked, %ld rows lost, %ld commands and descriptor calls\n",
              tally.checked.load(), tally.lost.load(), commands.load());
  EXPECT_GT(tally.checked.load(), 0);
  EXPECT_EQ(tally.lost.load(), 0);
}

// A pool of 200 host threads on one instance grouping by device: each thread is a device whose
// name differs from another's only in a letter outside any 8-bit code page ("\u04161" and
// "\u03A91"), and sends rows in two packets and in one. Each row must hold its own device's values
// only, reach the thread that released it and stay as it was until that thread's next call,
// however many threads call meanwhile.
TEST_F(Stress, TwoHundredThreadsEachKeepTheirOwnRowsAndDevices) {
  constexpr int kThreads = 200;
  constexpr int kRows = 15;
  ModuleSession shared({"Var1=A", "Var2=B", "Group by=Dev"}, kNoWindow);
  std::atomic<long> lost{0}, checked{0};
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string device = (t % 2 ? "\u03A9" : "\u0416") + std::to_string(t / 2);
      // Answers whether the call answered Code and its rows stayed as they were meanwhile.
      const auto send = [&](std::initializer_list<std::pair<const char*, int32_t>> items,
                            int32_t code, std::string& rows) {
        hostkit::HostList packet, params;
        packet.AddTextUtf8("Dev", device);
        for (const auto& [name, value] : items)
          packet.AddInt(name, value);
        RecordBytes r;
        r.Handle(shared.Handle()).Params(params.Raw()).Types(ZET_MTT_FILTER);
        r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
        const bool answered = HostTest::X().ProcessData(r.Rec()) == code;
        rows = OutputRowsText(r);
        std::this_thread::yield(); // the other threads call meanwhile
        return answered && rows == OutputRowsText(r);
      };
      start.arrive_and_wait(); // all threads alive and calling at once
      for (int32_t i = 0; i < kRows; ++i) {
        std::string first, second, single;
        // A row in two packets, then one in a single packet.
        const bool answered = send({{"A", i}}, -2, first) && send({{"B", t}}, 0, second) &&
                              send({{"B", -t}, {"A", -i}}, 0, single);
        const auto rowOf = [&](const std::string& values) {
          return "Dev=" + device + " " + values + "|";
        };
        if (!answered || first != "" ||
            second != rowOf("A=" + std::to_string(i) + " B=" + std::to_string(t)) ||
            single != rowOf("B=" + std::to_string(-t) + " A=" + std::to_string(-i)))
          ++lost;
        ++checked;
      }
    });
  }
  for (std::thread& t : threads)
    t.join();
  std::printf("stress: %d threads, %ld rows checked, %ld lost, mixed or changed\n", kThreads,
              checked.load(), lost.load());
  EXPECT_EQ(checked.load(), long{kThreads} * kRows);
  EXPECT_EQ(lost.load(), 0);
}

} // namespace
