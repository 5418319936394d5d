#include "frame/caller_outputs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// Runs F on a thread of its own and waits for it.
template <typename F> void OnOtherThread(F&& f) {
  std::thread t(std::forward<F>(f));
  t.join();
}

// Threads that stay alive until Release (a thread that has ended may lend its identity to the
// next one) and run Body one after the other, in the order they were made.
class ThreadsInTurn {
public:
  ThreadsInTurn(int count, std::function<void(int)> body) : count_(count) {
    for (int t = 0; t < count; ++t) {
      threads_.emplace_back([this, t, body] {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [&] { return turn_ == t; });
        body(t);
        ++turn_;
        changed_.notify_all();
        changed_.wait(hold, [&] { return released_; });
      });
    }
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return turn_ == count_; });
  }
  ~ThreadsInTurn() { Release(); }
  void Release() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      released_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
      if (t.joinable())
        t.join();
  }

private:
  const int count_;
  std::mutex lock_;
  std::condition_variable changed_;
  int turn_ = 0;
  bool released_ = false;
  std::vector<std::thread> threads_;
};

TEST(CallerOutputLists, FirstThreadGetsThePrimaryListOthersTheirOwn) {
  TCallerOutputLists lists;
  TzetRowsParamsList primary;
  EXPECT_EQ(lists.ForCaller(nullptr), nullptr) << "not loaded";
  EXPECT_EQ(lists.ForCaller(&primary), &primary);
  EXPECT_EQ(lists.ForCaller(&primary), &primary);
  TzetRowsParamsList* other = nullptr;
  OnOtherThread([&] {
    other = lists.ForCaller(&primary);
    other->AddNewRow();
    EXPECT_EQ(lists.ForCaller(&primary), other);
  });
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, &primary);
  EXPECT_EQ(other->Count(), 1) << "a thread's list stays as its call left it";
  lists.Reset();
  OnOtherThread([&] { EXPECT_EQ(lists.ForCaller(&primary), &primary); });
}

// However many threads call, each keeps its own list, as its call left it, while it lives.
TEST(CallerOutputLists, EveryLiveThreadKeepsItsOwnListWhateverTheirNumber) {
  TCallerOutputLists lists;
  TzetRowsParamsList primary;
  lists.Enter();
  TzetRowsParamsList* mine = lists.ForCaller(&primary);
  mine->AddNewRow();
  // Three times the table's first size, all alive until the last has its list.
  constexpr int kThreads = static_cast<int>(TCallerOutputLists::kScanAfter) * 3 + 8;
  std::vector<TzetRowsParamsList*> got(kThreads, nullptr);
  std::vector<int32_t> countAtStart(kThreads, -1);
  ThreadsInTurn threads(kThreads, [&](int t) {
    got[t] = lists.ForCaller(&primary);
    countAtStart[t] = got[t]->Count();
    got[t]->AddNewRow();
  });
  std::set<TzetRowsParamsList*> distinct(got.begin(), got.end());
  distinct.insert(mine);
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads) + 1);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(countAtStart[t], 0) << "thread " << t;
    EXPECT_EQ(got[t]->Count(), 1) << "thread " << t << ": its row was taken away";
  }
  EXPECT_TRUE(lists.CheckInvariants(&primary));
  threads.Release();
  EXPECT_EQ(lists.ForCaller(&primary), mine);
  EXPECT_EQ(mine->Count(), 1);
  lists.Leave();
}

// Threads that end leave their entries to the threads that come after them: a host that makes a
// thread per call keeps the table at its first size.
TEST(CallerOutputLists, EntriesOfEndedThreadsGoToNewThreads) {
  TCallerOutputLists lists;
  TzetRowsParamsList primary;
  for (int t = 0; t < static_cast<int>(TCallerOutputLists::kScanAfter) * 4; ++t)
    OnOtherThread([&] {
      TzetRowsParamsList* list = lists.ForCaller(&primary);
      EXPECT_EQ(list->Count(), 0) << "a list taken back starts empty";
      list->AddNewRow();
    });
  EXPECT_LE(lists.EntryCount(), TCallerOutputLists::kScanAfter);
  EXPECT_TRUE(lists.CheckInvariants(&primary));
}

// Inside a call a thread finds its list without the table; once the call has ended and the table
// was reset, the list it had is not answered again when another thread took it meanwhile.
TEST(CallerOutputLists, ListFoundDuringACallIsForgottenWhenTheCallEnds) {
  TCallerOutputLists lists;
  TzetRowsParamsList primary;
  lists.Enter();
  EXPECT_EQ(lists.ForCaller(&primary), &primary);
  lists.Enter(); // a nested call keeps it
  lists.Leave();
  EXPECT_EQ(lists.ForCaller(&primary), &primary);
  lists.Leave();
  lists.Reset();
  OnOtherThread([&] { EXPECT_EQ(lists.ForCaller(&primary), &primary); });
  lists.Enter();
  TzetRowsParamsList* mine = lists.ForCaller(&primary);
  EXPECT_NE(mine, &primary) << "the primary list is the other thread's now";
  EXPECT_EQ(lists.ForCaller(&primary), mine);
  lists.Leave();
}
} // namespace

namespace {

// The last UNLOAD sets its flag and waits until no call is counted in: a call refused by the flag
// counts nothing, and no call is still inside (or gets in) once the wait has seen none.
TEST(CallerOutputLists, ShutOutRefusesNewCallsAndSeesEveryCallInside) {
  TCallerOutputLists lists;
  std::atomic<bool> shutOut{false};
  ASSERT_TRUE(lists.Enter(&shutOut));
  ASSERT_TRUE(lists.Enter(&shutOut)); // nested
  lists.Leave();
  OnOtherThread([&] { EXPECT_TRUE(lists.AnyInside()); });
  lists.Leave();
  EXPECT_FALSE(lists.AnyInside());
  shutOut = true;
  EXPECT_FALSE(lists.Enter(&shutOut));
  EXPECT_FALSE(lists.AnyInside()) << "a refused call counts nothing";
  shutOut = false;

  for (int round = 0; round < 20; ++round) {
    std::atomic<bool> stop{false}, drained{false};
    std::atomic<int> lateCalls{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t)
      callers.emplace_back([&] {
        while (!stop) {
          if (!lists.Enter(&shutOut))
            continue;
          if (drained)
            ++lateCalls;
          lists.Leave();
        }
      });
    std::this_thread::yield();
    shutOut = true;
    while (lists.AnyInside())
      std::this_thread::yield();
    drained = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    for (std::thread& t : callers)
      t.join();
    EXPECT_EQ(lateCalls.load(), 0) << "round " << round;
    lists.Reset();
    shutOut = false;
  }
}

} // namespace
