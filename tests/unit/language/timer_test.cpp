// The timer component: events in the owner thread, switching and destruction from other
// threads through the window's control messages.
#include "manual_timer_clock.h"

#include "support/application.h"
#include "support/message_pump.h"
#include "support/timer_ex.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

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

// The owner thread does not process messages: destruction gives up after the two waits instead
// of waiting for the owner, and the messages the owner handles later (the timer's periods, and
// the control messages where the system still delivers them) find no timer.
TEST(TimerEx, DestroyedWhileTheOwnerIsBlocked) {
  std::atomic<TzetTimerEx*> timer{nullptr};
  std::atomic<bool> release{false}, blocked{true};
  std::atomic<int> ticks{0};
  std::thread owner([&] {
    auto* t = new TzetTimerEx(nullptr);
    t->SetInterval(1);
    t->SetOnTimer([&](TObject*) { ++ticks; });
    timer = t;
    // Blocked without messages; let go after a minute at the latest, so that a destruction
    // that waits for this thread ends the test with a failure rather than a hang.
    for (int i = 0; i < 12000 && !release; ++i)
      platform::SleepMs(5);
    blocked = false;
    for (int i = 0; i < 20; ++i) {
      support::ProcessMessages();
      platform::WaitForMessage(5);
    }
  });
  while (!timer)
    platform::SleepMs(1);
  delete timer.load();
  EXPECT_TRUE(blocked) << "the destruction waited for the owner thread";
  release = true;
  owner.join();
  EXPECT_EQ(ticks, 0);
}

// The owner thread runs the event while another thread frees the timer: the event is cleared
// only once the window can no longer reach the timer. Run under ThreadSanitizer this must stay
// quiet.
TEST(TimerEx, FreedFromAnotherThreadWhileTheEventRuns) {
  std::atomic<TzetTimerEx*> timer{nullptr};
  std::atomic<bool> running{false}, freed{false};
  std::thread owner([&] {
    auto* t = new TzetTimerEx(nullptr);
    t->SetInterval(1);
    t->SetOnTimer([&](TObject*) {
      // Relaxed, so that these flags give the sanitizer no ordering between the two threads.
      running.store(true, std::memory_order_relaxed);
      for (int i = 0; i < 20 && !freed.load(std::memory_order_relaxed); ++i)
        platform::SleepMs(5);
    });
    timer = t;
    while (!freed.load(std::memory_order_relaxed)) {
      support::ProcessMessages();
      platform::WaitForMessage(5);
    }
  });
  while (!timer || !running.load(std::memory_order_relaxed))
    platform::SleepMs(1);
  TzetTimerEx* t = timer;
  FreeTimer(t);
  EXPECT_EQ(t, nullptr);
  freed.store(true, std::memory_order_relaxed);
  owner.join();
}

#ifdef _WIN32
BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The window is message-only: broadcasts such as WM_SETTINGCHANGE, which a top-level window of a
// host thread that does not process messages would hold up, never reach it.
TEST(TimerEx, TheWindowIsMessageOnly) {
  TzetTimerEx timer(nullptr);
  const HWND window = reinterpret_cast<HWND>(timer.Window());
  ASSERT_NE(window, nullptr);
  std::vector<HWND> topLevel;
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&topLevel));
  EXPECT_EQ(std::count(topLevel.begin(), topLevel.end(), window), 0);
  char className[64] = {};
  ASSERT_GT(::GetClassNameA(window, className, sizeof className), 0);
  bool messageOnly = false;
  for (HWND h = nullptr; (h = ::FindWindowExA(HWND_MESSAGE, h, className, nullptr)) != nullptr;)
    messageOnly = messageOnly || h == window;
  EXPECT_TRUE(messageOnly);
}
#endif

} // namespace
