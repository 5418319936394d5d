#include "frame/descriptor_exports.h"
#include "frame/instances.h"

#include <gtest/gtest.h>

#include <atomic>
#include "test_barrier.h"
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

std::atomic<int> gLive{0};
std::atomic<int> gCreated{0};
std::atomic<bool> gFailCreation{false};

class CountingPlugin : public TzetPlugin {
public:
  static const TzetPluginClass& ClassRef() {
    static const TzetPluginClass ref{"CountingPlugin",
                                     []() -> TzetPlugin* { return new CountingPlugin(); }};
    return ref;
  }
  ~CountingPlugin() override { --gLive; }

protected:
  CountingPlugin() {
    ++gLive;
    ++gCreated;
  }
  void LoadDesignTimeValues() override {
    if (gFailCreation)
      throw std::runtime_error("module construction failed");
    Description = "Counting";
    ModuleType = ModuleTypeBit(mttFilter) | ModuleTypeBit(mttMenuExt);
    CustomCommands->Add("Run", "Run now", "", true, false);
  }
};

class Instances : public ::testing::Test {
protected:
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(CountingPlugin::ClassRef());
    gLive = 0;
    gCreated = 0;
    gFailCreation = false;
  }
  void TearDown() override { frame::LibraryEnd(); }

  static TPluginCallRec Rec(uint32_t handle, int8_t action = 0) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = handle;
    r.Action = action;
    return r;
  }
};

TEST_F(Instances, OneInstancePerHandleAndReleaseDestroysIt) {
  TPluginCallRec r = Rec(7);
  TzetPlugin* a = nullptr;
  TzetPlugin* b = nullptr;
  EXPECT_FALSE(frame::FindInstance(&r, a, false));
  EXPECT_EQ(gCreated, 0);
  ASSERT_TRUE(frame::FindInstance(&r, a, true));
  ASSERT_TRUE(frame::FindInstance(&r, b, true));
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->ModuleHandle, 7u);
  EXPECT_EQ(gLive, 1);

  TPluginCallRec release = Rec(7, ZET_ACTION_RELEASE);
  EXPECT_FALSE(frame::FindInstance(&release, a, true));
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(gLive, 0);
  EXPECT_FALSE(frame::FindInstance(&release, a, true)); // finds and creates nothing
  EXPECT_EQ(gCreated, 1);
}

TEST_F(Instances, NoInstanceForHandleZeroShutdownOrAfterLibraryEnd) {
  TzetPlugin* p = nullptr;
  TPluginCallRec zero = Rec(0);
  EXPECT_FALSE(frame::FindInstance(&zero, p, true));
  TPluginCallRec shutdown = Rec(3, ZET_ACTION_SHUTDOWN);
  EXPECT_FALSE(frame::FindInstance(&shutdown, p, true));
  EXPECT_FALSE(frame::FindInstance(nullptr, p, true));
  EXPECT_EQ(gCreated, 0);

  TPluginCallRec r = Rec(3);
  ASSERT_TRUE(frame::FindInstance(&r, p, true));
  frame::LibraryEnd(); // destroys what is left
  EXPECT_EQ(gLive, 0);
  EXPECT_FALSE(frame::InstanceListExists());
  EXPECT_FALSE(frame::FindInstance(&r, p, true));
  frame::LibraryStart(); // for TearDown
}

TEST_F(Instances, FirstCallsOnManyThreadsCreateOneInstance) {
  constexpr int kThreads = 8;
  for (int round = 0; round < 20; ++round) {
    const uint32_t handle = 100 + round;
    test_support::Barrier start(kThreads);
    std::vector<TzetPlugin*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        TPluginCallRec r = Rec(handle);
        start.arrive_and_wait();
        frame::FindInstance(&r, seen[t], true);
      });
    for (auto& t : threads)
      t.join();
    for (TzetPlugin* p : seen)
      EXPECT_EQ(p, seen[0]);
    ASSERT_NE(seen[0], nullptr);
  }
  EXPECT_EQ(gLive, 20); // every loser of a race destroyed its own instance
}

TEST_F(Instances, ConcurrentLookupsAndReleases) {
  // Shared handles are only looked up; each thread creates and releases handles of its own, so
  // the list changes under the lookups while no thread uses an instance another one destroys.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 300; ++i) {
        TPluginCallRec shared = Rec(static_cast<uint32_t>(1 + i % 5));
        TzetPlugin* p = nullptr;
        if (frame::FindInstance(&shared, p, true)) {
          EXPECT_EQ(p->ModuleHandle, +shared.ModuleHandle);
        }
        TPluginCallRec own = Rec(static_cast<uint32_t>(100 + t * 10 + i % 3));
        frame::FindInstance(&own, p, true);
        if (i % 2) {
          own.Action = ZET_ACTION_RELEASE;
          frame::FindInstance(&own, p, true);
        }
      }
    });
  for (auto& t : threads)
    t.join();
  frame::LibraryEnd();
  EXPECT_EQ(gLive, 0);
  frame::LibraryStart();
}

TEST_F(Instances, RepeatedLookupsSeeReleasesOfOtherThreadsAndNewLists) {
  // A thread that calls one handle again and again finds it without the list's lock; a release
  // by another thread or a new instance list must still be seen on the next lookup.
  TPluginCallRec r = Rec(9);
  TzetPlugin* first = nullptr;
  TzetPlugin* p = nullptr;
  ASSERT_TRUE(frame::FindInstance(&r, first, true));
  ASSERT_TRUE(frame::FindInstance(&r, p, true));
  EXPECT_EQ(p, first);
  std::thread([] {
    TPluginCallRec release = Rec(9, ZET_ACTION_RELEASE);
    TzetPlugin* none = nullptr;
    frame::FindInstance(&release, none, true);
  }).join();
  EXPECT_EQ(gLive, 0);
  EXPECT_FALSE(frame::FindInstance(&r, p, false));
  ASSERT_TRUE(frame::FindInstance(&r, p, true));
  EXPECT_EQ(gCreated, 2);
  EXPECT_EQ(p->ModuleHandle, 9u);

  frame::LibraryEnd();
  frame::LibraryStart();
  frame::SetPluginClass(CountingPlugin::ClassRef());
  EXPECT_FALSE(frame::FindInstance(&r, p, false));
  ASSERT_TRUE(frame::FindInstance(&r, p, true));
  EXPECT_EQ(gCreated, 3);
  EXPECT_EQ(gLive, 1);
}

TEST_F(Instances, ValidCallRecord) {
  TPluginCallRec r = Rec(1);
  EXPECT_FALSE(frame::IsValidCallRec(&r)); // no parameters
  r.Action = ZET_ACTION_RELEASE;
  EXPECT_TRUE(frame::IsValidCallRec(&r));
  r.Action = ZET_ACTION_SHUTDOWN;
  EXPECT_TRUE(frame::IsValidCallRec(&r));
  r.Action = 0;
  int dummy = 0;
  r.Params = &dummy;
  EXPECT_TRUE(frame::IsValidCallRec(&r));
  r.RecordTag = 101;
  EXPECT_FALSE(frame::IsValidCallRec(&r));
  EXPECT_FALSE(frame::IsValidCallRec(nullptr));
}

TEST_F(Instances, FailingModuleConstructionGivesNoInstanceValues) {
  gFailCreation = true;
  TPluginCallRec r = Rec(9);
  EXPECT_EQ(frame::GetModuleType(&r), 0u);
  EXPECT_EQ(frame::GetModuleDescription(&r), nullptr);
  EXPECT_FLOAT_EQ(frame::GetAppMinVersion(&r), -1.0f);
  EXPECT_FALSE(frame::MultiThreadSupport(&r));
  uint32_t required = 5;
  EXPECT_FALSE(frame::GetModuleInfo(&r, nullptr, &required));
  EXPECT_EQ(required, 0u);
  EXPECT_EQ(frame::GetCustomCommands(&r), 0);
  EXPECT_EQ(+r.Output.Kind, ZET_KIND_INTEGER);

  // The data path answers its no-instance value too; a command reports the caught failure.
  TzetParamsList params;
  params.Add("COMMAND", rtl::Variant::FromAnsiText("LOAD"));
  r.Params = &params;
  EXPECT_EQ(frame::ProcessData(&r), -1);
  EXPECT_EQ(frame::ExecutePluginCommand(&r), -3);
  EXPECT_EQ(gLive, 0);
}

TEST_F(Instances, CustomCommandsTextAndSizeProtocol) {
  TPluginCallRec r = Rec(11);
  const std::string text = "Run|Run now||1|0\r\n";
  r.Input.Size = 4;
  char small[4] = {};
  r.Input.Data = reinterpret_cast<uintptr_t>(small);
  EXPECT_EQ(frame::GetCustomCommands(&r), 0); // too small: only the length is told
  EXPECT_EQ(+r.Output.Kind, ZET_KIND_INTEGER);
  EXPECT_EQ(+r.Output.Data, text.size());

  char buffer[64] = {};
  r.Input.Size = sizeof buffer;
  r.Input.Data = reinterpret_cast<uintptr_t>(buffer);
  EXPECT_EQ(frame::GetCustomCommands(&r), static_cast<int32_t>(text.size()));
  EXPECT_EQ(std::string(buffer), text);

  // The module information carries the same text after the description.
  uint32_t required = 0;
  frame::GetModuleInfo(&r, nullptr, &required);
  EXPECT_EQ(required, sizeof(TPluginModuleInfo) + 8 + text.size());
  std::vector<unsigned char> info(required);
  auto* mi = reinterpret_cast<TPluginModuleInfo*>(info.data());
  mi->Size = required;
  ASSERT_TRUE(frame::GetModuleInfo(&r, mi, &required));
  EXPECT_EQ(+mi->CommandsLength, text.size());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(mi->CommandsText), mi->CommandsLength), text);
}

// A module class whose destroy event reads state of its own class.
std::vector<bool> gDestroySawModuleState;

class DestroyProbePlugin : public TzetPlugin {
public:
  static const TzetPluginClass& ClassRef() {
    static const TzetPluginClass ref{"DestroyProbePlugin",
                                     []() -> TzetPlugin* { return new DestroyProbePlugin(); }};
    return ref;
  }
  ~DestroyProbePlugin() override { alive_ = false; }

protected:
  void LoadDesignTimeValues() override {
    OnDestroy = [this](TzetPlugin*) {
      gDestroySawModuleState.push_back(alive_);
      throw std::runtime_error("destroy handler failed"); // swallowed
    };
  }

private:
  bool alive_ = true;
};

TEST_F(Instances, DestroyEventRunsWhileTheModuleClassStateExists) {
  frame::SetPluginClass(DestroyProbePlugin::ClassRef());
  gDestroySawModuleState.clear();
  TzetPlugin* p = nullptr;
  TPluginCallRec r = Rec(21);
  ASSERT_TRUE(frame::FindInstance(&r, p, true));
  TPluginCallRec release = Rec(21, ZET_ACTION_RELEASE);
  EXPECT_FALSE(frame::FindInstance(&release, p, true));
  r = Rec(22);
  ASSERT_TRUE(frame::FindInstance(&r, p, true));
  frame::LibraryEnd(); // destroys what is left
  frame::LibraryStart();
  EXPECT_EQ(gDestroySawModuleState, (std::vector<bool>{true, true}));
}

TEST(CustomCommandList, TextRoundTrip) {
  TzetPluginCustomCmdList list;
  EXPECT_EQ(list.Text(), "");
  list.LoadCustomCommandsText("A|b|c|1|1\r\n\r\nshort|line\nB|||0|1");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0].Name, "A");
  EXPECT_TRUE(list[0].Flag2);
  EXPECT_FALSE(list[1].Flag1);
  EXPECT_EQ(list.Text(), "A|b|c|1|1\r\nB|||0|1\r\n");
}

} // namespace
