#include "platform/message_pump.h"
#include "support/application.h"
#include "support/message_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using support::TWaitPacing;
using support::WaitForFlags;
using support::wfIgnoreTerminated;
using support::wfNoPump;

// Pacing that counts pumps and pauses and keeps the pauses short.
struct CountingPacing {
  std::atomic<int> pumps{0};
  std::atomic<int> sleeps{0};
  TWaitPacing Pacing(uint32_t pollMs = 2) {
    TWaitPacing pacing;
    pacing.pollMs = pollMs;
    pacing.pump = [this] { ++pumps; };
    pacing.sleep = [this](uint32_t ms) {
      ++sleeps;
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    return pacing;
  }
};

class WaitForFlagsTest : public ::testing::Test {
protected:
  void SetUp() override { support::TheApplication().SetTerminated(false); }
  void TearDown() override {
    support::TheApplication().SetTerminated(false);
    platform::Message msg;
    while (platform::PeekRemoveMessage(msg)) {
    }
  }
};

TEST_F(WaitForFlagsTest, FalseFlagAnswersAtOnceAndNullPointerFails) {
  std::atomic<bool> busy{true}, idle{false};
  CountingPacing counter;
  EXPECT_TRUE(WaitForFlags(30000, {&busy, &idle}, 0, counter.Pacing()));
  EXPECT_EQ(counter.pumps, 0);
  EXPECT_EQ(counter.sleeps, 0);

  EXPECT_FALSE(WaitForFlags(30000, {&busy, nullptr}, 0, counter.Pacing()));
  EXPECT_TRUE(WaitForFlags(30000, {&idle, nullptr}, 0, counter.Pacing())); // stops at the false
  EXPECT_EQ(counter.sleeps, 0);
}

TEST_F(WaitForFlagsTest, AllFlagsTrueEndsByTheTimeout) {
  std::atomic<bool> busy{true}, terminate{true};
  CountingPacing counter;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitForFlags(80, {&busy, &terminate}, 0, counter.Pacing(5)));
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 70ms); // the tick counter and the test clock differ by a tick
  EXPECT_LT(waited, 3s);
  EXPECT_GT(counter.pumps, 0);
  EXPECT_EQ(counter.pumps, counter.sleeps);
}

TEST_F(WaitForFlagsTest, FlagClearedByAnotherThreadEndsTheWait) {
  std::atomic<bool> busy{true}, terminate{true};
  CountingPacing counter;
  std::atomic<int> pumpsBefore{-1};
  std::thread other([&] {
    while (counter.sleeps < 3)
      std::this_thread::sleep_for(1ms);
    pumpsBefore = counter.pumps.load();
    busy = false;
  });
  EXPECT_TRUE(WaitForFlags(0, {&busy, &terminate}, wfIgnoreTerminated, counter.Pacing()));
  other.join();
  // The pass that finds the flag false still pumps and pauses once before answering.
  EXPECT_GT(counter.pumps, pumpsBefore);
}

TEST_F(WaitForFlagsTest, TerminatingApplicationEndsTheWaitUnlessIgnored) {
  std::atomic<bool> busy{true};
  CountingPacing counter;
  support::TheApplication().SetTerminated(true);
  EXPECT_TRUE(support::IsApplicationTerminated());
  EXPECT_FALSE(WaitForFlags(0, {&busy}, 0, counter.Pacing()));
  EXPECT_EQ(counter.sleeps, 0);

  std::thread other([&] {
    while (counter.sleeps < 5)
      std::this_thread::sleep_for(1ms);
    busy = false;
  });
  EXPECT_TRUE(WaitForFlags(0, {&busy}, wfIgnoreTerminated | wfNoPump, counter.Pacing()));
  other.join();
  EXPECT_EQ(counter.pumps, 0); // wfNoPump
  EXPECT_GE(counter.sleeps, 5);
}

// The default pumping: a posted message whose window procedure clears the flag ends the wait.
intptr_t ClearFlagProc(void* context, platform::WindowHandle window, uint32_t message, uintptr_t w,
                       intptr_t l) {
  if (message == platform::kUserMessage)
    static_cast<std::atomic<bool>*>(context)->store(false);
  return platform::DefaultWindowProc(window, message, w, l);
}

bool WaitForOwnMessage() {
  std::atomic<bool> busy{true};
  const platform::WindowHandle window = platform::CreateMessageWindow(&ClearFlagProc, &busy);
  if (!window || !platform::PostWindowMessage(window, platform::kUserMessage, 0, 0))
    return false;
  TWaitPacing pacing;
  pacing.pollMs = 2;
  const bool answer = WaitForFlags(5000, {&busy}, 0, pacing);
  platform::DestroyMessageWindow(window);
  return answer && !busy;
}

TEST_F(WaitForFlagsTest, WaitPumpsTheCallersMessages) {
  ASSERT_TRUE(platform::IsLoaderThread());
  EXPECT_TRUE(WaitForOwnMessage()); // through the application object

  bool otherAnswer = false;
  std::thread other([&] {
    EXPECT_FALSE(platform::IsLoaderThread());
    otherAnswer = WaitForOwnMessage();
  });
  other.join();
  EXPECT_TRUE(otherAnswer);
}

TEST_F(WaitForFlagsTest, QuitOnTheLoaderThreadTerminatesTheApplication) {
  std::atomic<bool> busy{true};
  TWaitPacing pacing;
  pacing.pollMs = 2;
  platform::PostQuit(3);
  EXPECT_FALSE(WaitForFlags(5000, {&busy}, 0, pacing));
  EXPECT_TRUE(support::IsApplicationTerminated());
  platform::Message msg;
  ASSERT_TRUE(platform::PeekRemoveMessage(msg)); // still there for the host's loop
  EXPECT_EQ(msg.message, platform::kQuitMessage);
  EXPECT_EQ(msg.wParam, 3u);
}

} // namespace
