#include "platform/thread_slot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

struct Counter {
  int Calls = 0;
};

// Each thread sees its own pointer in each slot, and its own cached object, the same one on
// every call; a slot made later does not see values set in another.
TEST(ThreadSlot, ValuesAndCachedObjectsArePerThreadAndPerSlot) {
  const platform::ThreadSlot first;
  const platform::ThreadSlot second;
  int a = 0, b = 0;
  EXPECT_EQ(first.Get(), nullptr);
  first.Set(&a);
  second.Set(&b);
  Counter& mine = platform::ThreadCached<Counter>();
  ++mine.Calls;
  EXPECT_EQ(&platform::ThreadCached<Counter>(), &mine);

  std::vector<const Counter*> others(4, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      EXPECT_EQ(first.Get(), nullptr);
      EXPECT_EQ(second.Get(), nullptr);
      second.Set(&a);
      EXPECT_EQ(second.Get(), &a);
      Counter& own = platform::ThreadCached<Counter>();
      EXPECT_EQ(own.Calls, 0);
      ++own.Calls;
      EXPECT_EQ(&platform::ThreadCached<Counter>(), &own);
      others[t] = &own;
    });
  }
  for (std::thread& t : threads)
    t.join();
  EXPECT_EQ(first.Get(), &a);
  EXPECT_EQ(second.Get(), &b);
  EXPECT_EQ(mine.Calls, 1);
  for (const Counter* other : others)
    EXPECT_NE(other, &mine);

  const platform::ThreadSlot later;
  EXPECT_EQ(later.Get(), nullptr);
}

// The mark stays the same within a thread and differs between threads that run at once.
TEST(ThreadSlot, ThreadMarksAreStableAndDistinctAmongRunningThreads) {
  const uintptr_t mine = platform::CurrentThreadMark();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(platform::CurrentThreadMark(), mine);
  constexpr int kThreads = 4;
  std::vector<uintptr_t> marks(kThreads, 0);
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      marks[t] = platform::CurrentThreadMark();
      ++started;
      while (started < kThreads) // all alive at once
        std::this_thread::yield();
      EXPECT_EQ(platform::CurrentThreadMark(), marks[t]);
    });
  for (std::thread& t : threads)
    t.join();
  std::set<uintptr_t> distinct(marks.begin(), marks.end());
  distinct.insert(mine);
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads + 1));
}

} // namespace
