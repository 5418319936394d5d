#include "support/timeout.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::atomic<uint64_t> gFakeNow{0};
uint64_t ReadFake() {
  return gFakeNow.load();
}

// The same fake counter as a 64-bit source and as a 32-bit one (which sees only the low half).
const platform::TickSource kFake64{true, &ReadFake};
const platform::TickSource kFake32{false, &ReadFake};

class FakeClock {
public:
  explicit FakeClock(const platform::TickSource& source)
      : previous_(support::SetTickSourceForTesting(&source)) {}
  ~FakeClock() { support::SetTickSourceForTesting(previous_); }
  void Set(uint64_t now) { gFakeNow = now; }

private:
  const platform::TickSource* previous_;
};

TEST(TimeoutTest, ClearedTrackerIsExpiredForEveryInterval) {
  FakeClock clock(kFake64);
  clock.Set(12345);
  TzetTimeout t;
  RestartTimeout(t);
  ClearTimeout(t);
  EXPECT_TRUE(IsTimeoutClear(t));
  EXPECT_TRUE(TimeoutExpired(t, 0));
  EXPECT_TRUE(TimeoutExpired(t, 1000));
  EXPECT_TRUE(TimeoutExpired(t, 0xFFFFFFFFu));
  EXPECT_TRUE(IsTimeoutClear(t));
}

TEST(TimeoutTest, RestartedTrackerExpiresAtWholeMilliseconds) {
  FakeClock clock(kFake64);
  clock.Set(5000);
  TzetTimeout t;
  RestartTimeout(t);
  EXPECT_FALSE(IsTimeoutClear(t));
  EXPECT_TRUE(TimeoutExpired(t, 0));
  EXPECT_FALSE(TimeoutExpired(t, 1000));
  clock.Set(5999);
  EXPECT_FALSE(TimeoutExpired(t, 1000));
  clock.Set(6000);
  EXPECT_TRUE(TimeoutExpired(t, 1000));
  // Not armed: every call measures against the interval it is given.
  EXPECT_FALSE(TimeoutExpired(t, 1001));
  clock.Set(90000);
  EXPECT_TRUE(TimeoutExpired(t, 1000));
}

TEST(TimeoutTest, StartTimeoutFixesTheDeadline) {
  FakeClock clock(kFake64);
  clock.Set(1000);
  TzetTimeout t;
  StartTimeout(t, 100);
  EXPECT_TRUE(t.Armed);
  EXPECT_EQ(t.Deadline, 1100u);
  clock.Set(1099);
  EXPECT_FALSE(TimeoutExpiredNow(t));
  // An armed tracker keeps its deadline whatever interval a caller asks about.
  EXPECT_FALSE(TimeoutExpired(t, 5));
  clock.Set(1100);
  EXPECT_TRUE(TimeoutExpiredNow(t));
  RestartTimeout(t);
  EXPECT_FALSE(t.Armed);
  EXPECT_EQ(t.Deadline, 0u);
}

TEST(TimeoutTest, ThirtyTwoBitSourceSurvivesTheWrap) {
  FakeClock clock(kFake32);
  clock.Set(0xFFFFFF00u);
  TzetTimeout t;
  StartTimeout(t, 512);
  EXPECT_EQ(t.Deadline, 0x100000100ull);
  clock.Set(0xFFFFFFFFu);
  EXPECT_FALSE(TimeoutExpiredNow(t));
  clock.Set(0x1000000FFull); // the source itself reads 0x000000FF
  EXPECT_FALSE(TimeoutExpiredNow(t));
  EXPECT_EQ(t.High, 1u);
  clock.Set(0x100000100ull);
  EXPECT_TRUE(TimeoutExpiredNow(t));
  EXPECT_EQ(TimeoutNow(t), 0x100000100ull);
  EXPECT_EQ(t.High, 1u); // no second wrap counted for a reading that did not go back

  // Restarted just before the wrap; low half after the wrap below the deadline's low half.
  clock.Set(0xFFFFFF00u);
  RestartTimeout(t);
  EXPECT_EQ(t.High, 0u);
  clock.Set(0x100000010ull);
  EXPECT_TRUE(TimeoutExpired(t, 0xF0));
}

TEST(TimeoutTest, SixtyFourBitSourceComparesTheWholeValue) {
  FakeClock clock(kFake64);
  clock.Set(0xFFFFFF00u);
  TzetTimeout t;
  RestartTimeout(t);
  clock.Set(0xFFFFFFEFu);
  EXPECT_FALSE(TimeoutExpired(t, 0xF0));
  clock.Set(0x100000010ull);
  EXPECT_TRUE(TimeoutExpired(t, 0xF0));
  EXPECT_FALSE(TimeoutExpired(t, 0xFFFFFFFFu)); // Deadline carries into the high half
  EXPECT_EQ(t.Deadline, 0x1FFFFFEFFull);
}

TEST(TimeoutTest, RestartAtReadingZeroLooksCleared) {
  FakeClock clock(kFake64);
  clock.Set(0);
  TzetTimeout t;
  RestartTimeout(t);
  EXPECT_TRUE(IsTimeoutClear(t));
  EXPECT_TRUE(TimeoutExpired(t, 1000));
}

TEST(TimeoutTest, SystemSourceIsChosenOnceAndRuns) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([] { support::SelectTickSource(); });
  for (auto& thread : threads)
    thread.join();

  const platform::TickSource small = platform::SystemTickSource32();
  EXPECT_FALSE(small.is64);
  EXPECT_LE(small.read(), 0xFFFFFFFFull);

  TzetTimeout t;
  StartTimeout(t, 20);
  const uint64_t start = TimeoutNow(t);
  EXPECT_FALSE(IsTimeoutClear(t));
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_GE(TimeoutNow(t), start + 20);
  EXPECT_TRUE(TimeoutExpiredNow(t));
}

} // namespace

// The data handler's one reading per packet answers what TimeoutExpired and RestartTimeout on two
// readings answer, from a cleared tracker on, across the wrap of a 32-bit source.
TEST(TimeoutTest, RestartTimeoutExpiredAnswersAsExpiredThenRestart) {
  for (const platform::TickSource* source : {&kFake64, &kFake32}) {
    FakeClock clock(*source);
    const uint64_t readings[] = {0xFFFFF000u, 0xFFFFF100u,  0xFFFFF4FFu,  0xFFFFF500u,
                                 0xFFFFFFF0u, 0x100000200u, 0x100000300u, 0x100000700u};
    TzetTimeout one, two;
    for (const uint64_t now : readings) {
      clock.Set(now);
      const bool expected = TimeoutExpired(two, 0x400);
      RestartTimeout(two);
      EXPECT_EQ(RestartTimeoutExpired(one, 0x400), expected) << std::hex << now;
      EXPECT_FALSE(IsTimeoutClear(one));
    }
  }
}
