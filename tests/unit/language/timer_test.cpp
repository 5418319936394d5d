// The timer component: events in the owner thread, switching and destruction from other
// threads through the window's control messages.
#include "manual_timer_clock.h"

#include "support/application.h"
#include "support/message_pump.h"
#include "support/timer_ex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

/// Pumps the calling thread's messages until Done answers true or 5 s have passed.
template <class F> bool PumpUntil(F done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit)
      return false;
    support::ProcessMessages();
    platform::WaitForMessage(10);
  }
  return true;
}

TEST(TimerEx, StartsOnlyWithAnEventAndFollowsIntervalAndEnabled) {
  ManualTimerClock clock;
  TzetTimerEx timer(nullptr, &clock);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_EQ(timer.OwnerThread(), platform::CurrentThreadId());
  EXPECT_EQ(clock.Running(timer.Window()), 0u); // no event yet
  int ticks = 0;
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  EXPECT_EQ(clock.Running(timer.Window()), 1000u);
  clock.Advance(1000);
  support::ProcessMessages();
  EXPECT_EQ(ticks, 1);

  timer.SetInterval(0);
  EXPECT_EQ(clock.Running(timer.Window()), 0u);
  timer.SetInterval(250);
  EXPECT_EQ(clock.Running(timer.Window()), 250u);
  timer.SetEnabled(false);
  EXPECT_EQ(clock.Running(timer.Window()), 0u);
  clock.Advance(1000);
  support::ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

TEST(TimerEx, EnablingFromAnotherThreadTakesEffectWhenTheOwnerHandlesIt) {
  ManualTimerClock clock;
  TzetTimerEx timer(nullptr, &clock);
  timer.SetEnabled(false);
  timer.SetOnTimer([](TObject*) {});
  std::thread([&] { timer.SetEnabled(true); }).join(); // returns without the owner's help
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(clock.Running(timer.Window()), 0u);
  support::ProcessMessages();
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(clock.Running(timer.Window()), 1000u);
}

TEST(TimerEx, AnExceptionInTheEventIsShownAndTheTimerGoesOn) {
  ManualTimerClock clock;
  std::vector<std::string> shown;
  auto previous = support::TheApplication().SetOnException(
      [&](const std::string& message) { shown.push_back(message); });
  TzetTimerEx timer(nullptr, &clock);
  int ticks = 0;
  timer.SetOnTimer([&](TObject*) {
    ++ticks;
    throw std::runtime_error("tick failed");
  });
  for (int i = 0; i < 2; ++i) {
    clock.Advance(1000);
    support::ProcessMessages();
  }
  support::TheApplication().SetOnException(previous);
  EXPECT_EQ(ticks, 2);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "tick failed");
  EXPECT_EQ(clock.Running(timer.Window()), 1000u);
}

TEST(TimerEx, SystemTimerDeliversInTheOwnerThreadAndTheEventMayFreeTheTimer) {
  auto* timer = new TzetTimerEx(nullptr);
  std::atomic<int> ticks{0};
  timer->SetInterval(10);
  timer->SetOnTimer([&](TObject*) {
    ++ticks;
    delete timer; // the window procedure must not touch the timer afterwards
    timer = nullptr;
  });
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }));
  EXPECT_EQ(timer, nullptr);
  for (int i = 0; i < 3; ++i) {
    support::ProcessMessages();
    platform::SleepMs(15);
  }
  EXPECT_EQ(ticks, 1);
}

// Another thread switches the timer while the owner runs it, then destroys it while the owner
// keeps processing messages. Run under ThreadSanitizer (native-tsan) this must stay quiet.
TEST(TimerEx, SwitchedAndDestroyedFromAnotherThread) {
  std::mutex m;
  std::condition_variable cv;
  TzetTimerEx* timer = nullptr;
  std::atomic<bool> destroyed{false};
  std::atomic<int> ticks{0};
  std::thread owner([&] {
    auto* t = new TzetTimerEx(nullptr);
    t->SetInterval(1);
    t->SetOnTimer([&](TObject*) { ++ticks; });
    {
      std::lock_guard<std::mutex> lock(m);
      timer = t;
    }
    cv.notify_all();
    while (!destroyed) {
      support::ProcessMessages();
      platform::WaitForMessage(5);
    }
  });
  TzetTimerEx* t = nullptr;
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return timer != nullptr; });
    t = timer;
  }
  EXPECT_FALSE(t->IsOwnerThread());
  for (int i = 0; i < 200; ++i) {
    t->SetEnabled(i % 2 == 1);
    if (i % 20 == 0)
      platform::SleepMs(2);
  }
  t->SetEnabled(true);
  const platform::WindowHandle window = t->Window();
  FreeTimer(t);
  EXPECT_EQ(t, nullptr);
  EXPECT_FALSE(platform::IsMessageWindow(window));
  destroyed = true;
  owner.join();
}

// The owner thread does not process messages: destruction gives up after the two waits and the
// messages the owner handles later find no timer.
TEST(TimerEx, DestroyedWhileTheOwnerIsBlocked) {
  std::atomic<TzetTimerEx*> timer{nullptr};
  std::atomic<bool> release{false}, done{false};
  std::thread owner([&] {
    auto* t = new TzetTimerEx(nullptr);
    t->SetInterval(1);
    t->SetOnTimer([](TObject*) {});
    timer = t;
    while (!release)
      platform::SleepMs(5); // blocked: no messages
    while (!done) {
      support::ProcessMessages();
      platform::WaitForMessage(5);
    }
  });
  while (!timer)
    platform::SleepMs(1);
  TzetTimerEx* t = timer;
  delete t; // returns after at most twice the 5000 ms wait
  release = true;
  platform::SleepMs(50);
  done = true;
  owner.join();
}

} // namespace
