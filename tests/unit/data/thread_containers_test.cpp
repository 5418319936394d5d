#include "data/thread_object.h"
#include "data/thread_object_list.h"
#include "data/thread_params_list.h"
#include "data/thread_string_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include "test_barrier.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A thread stuck in a lock cannot be joined: a deadlock ends the binary instead of hanging it.
constexpr auto kDeadline = 10s;
// How long a thread that must be blocked is watched before it counts as waiting.
constexpr auto kSettle = 50ms;

void AwaitOrAbort(std::future<void>& done, const char* what) {
  if (done.wait_for(kDeadline) != std::future_status::ready) {
    std::fprintf(stderr, "deadlock: %s did not finish within the deadline\n", what);
    std::abort();
  }
  done.get();
}

bool StillWaiting(std::future<void>& done) {
  return done.wait_for(kSettle) == std::future_status::timeout;
}

class Counted : public TObject {
public:
  explicit Counted(std::atomic<int>& destroyed) : FDestroyed(destroyed) {}
  ~Counted() override { ++FDestroyed; }

private:
  std::atomic<int>& FDestroyed;
};

TEST(TThreadObject, HandsOutTheGuardedObjectOrItself) {
  TThreadObject self(nullptr);
  EXPECT_FALSE(self.HasLock()) << "the lock is created at the first request, not before";
  EXPECT_EQ(self.LockRead(), &self);
  self.UnlockRead();
  EXPECT_TRUE(self.HasLock());
  EXPECT_EQ(self.LockWrite(), &self);
  self.UnlockWrite();

  std::atomic<int> destroyed{0};
  auto guarded = std::make_unique<Counted>(destroyed);
  {
    TThreadObject container(guarded.get());
    TThreadObject::WriteLocked locked(container);
    EXPECT_EQ(locked.Get(), guarded.get());
    container.UnlockRead(); // a release without a take does nothing
  }
  EXPECT_EQ(destroyed, 0) << "the container does not own its guarded object";
  TThreadObject never;
  never.UnlockWrite(); // releases on a container that was never locked create nothing
  EXPECT_FALSE(never.HasLock());
}

TEST(TThreadObject, FirstLockIsCreatedOnceWhenThreadsRace) {
  constexpr int kThreads = 4;
  for (int round = 0; round < 20; ++round) {
    TThreadObject container;
    test_support::Barrier start(kThreads);
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        start.arrive_and_wait();
        container.LockWrite();
        // Two locks created side by side would let two threads in at once.
        if (inside.fetch_add(1) != 0)
          ++overlaps;
        std::this_thread::yield();
        --inside;
        container.UnlockWrite();
      });
    for (std::thread& t : threads)
      t.join();
    ASSERT_EQ(overlaps, 0) << "round " << round;
  }
}

TEST(TThreadObjectList, ExclusiveHolderReentersAndCounts) {
  TThreadObjectList list(true);
  std::atomic<int> destroyed{0};
  std::future<void> holder = std::async(std::launch::async, [&] {
    TObjectList* inner = list.LockList();
    inner->Add(new Counted(destroyed));
    EXPECT_EQ(list.LockList(), inner);
    EXPECT_EQ(list.Count(), 1) << "a shared request by the exclusive holder";
    EXPECT_EQ(list.LockListRead(), inner);
    list.UnlockListRead();
    list.UnlockList();
    list.UnlockList();
  });
  AwaitOrAbort(holder, "re-entrant holder");
  std::future<void> other = std::async(std::launch::async, [&] { list.Clear(); });
  AwaitOrAbort(other, "another thread after the holder released every take");
  EXPECT_EQ(destroyed, 1);
}

TEST(TThreadObjectList, ReadersShareAndAWriterWaitsForBoth) {
  TThreadObjectList list(false);
  test_support::Barrier bothIn(3);
  std::promise<void> releaseFirst, releaseSecond;
  auto reader = [&](std::shared_future<void> release) {
    TThreadObjectList::ReadLocked locked(list);
    bothIn.arrive_and_wait();
    release.wait();
  };
  std::future<void> first =
      std::async(std::launch::async, reader, releaseFirst.get_future().share());
  std::future<void> second =
      std::async(std::launch::async, reader, releaseSecond.get_future().share());
  std::future<void> opened = std::async(std::launch::async, [&] { bothIn.arrive_and_wait(); });
  AwaitOrAbort(opened, "two readers at once");

  std::future<void> writer = std::async(std::launch::async, [&] {
    TThreadObjectList::WriteLocked locked(list);
    locked->Add(nullptr);
  });
  EXPECT_TRUE(StillWaiting(writer));
  releaseFirst.set_value();
  AwaitOrAbort(first, "first reader");
  EXPECT_TRUE(StillWaiting(writer));
  releaseSecond.set_value();
  AwaitOrAbort(second, "second reader");
  AwaitOrAbort(writer, "writer after both readers");
  EXPECT_EQ(list.Count(), 1);
}

TEST(TThreadObjectList, ClearFreesOnlyOwnedObjects) {
  std::atomic<int> destroyed{0};
  {
    TThreadObjectList owning(true);
    for (int i = 0; i < 3; ++i)
      TThreadObjectList::WriteLocked(owning)->Add(new Counted(destroyed));
    owning.Clear();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(owning.Count(), 0);
    TThreadObjectList::WriteLocked(owning)->Add(new Counted(destroyed));
  } // destruction frees what it still owns
  EXPECT_EQ(destroyed, 4);

  destroyed = 0;
  std::vector<std::unique_ptr<Counted>> objects;
  {
    TThreadObjectList borrowing(false);
    for (int i = 0; i < 3; ++i) {
      objects.push_back(std::make_unique<Counted>(destroyed));
      TThreadObjectList::WriteLocked(borrowing)->Add(objects.back().get());
    }
    borrowing.Clear();
    EXPECT_EQ(borrowing.Count(), 0);
    TThreadObjectList::WriteLocked(borrowing)->Add(objects[0].get());
  }
  EXPECT_EQ(destroyed, 0);
}

TEST(TThreadObjectList, DestructionWaitsForTheHolder) {
  auto* list = new TThreadObjectList(true);
  std::atomic<int> destroyed{0};
  TObjectList* inner = list->LockList();
  inner->Add(new Counted(destroyed));
  std::future<void> destroyer = std::async(std::launch::async, [list] { delete list; });
  EXPECT_TRUE(StillWaiting(destroyer));
  EXPECT_EQ(destroyed, 0);
  inner->Add(new Counted(destroyed)); // the holder still works on the list
  // The destructor already runs on the other thread; the lock stays intact until the
  // destructor's exclusive take returns.
  list->UnlockList();
  AwaitOrAbort(destroyer, "destruction after the holder's release");
  EXPECT_EQ(destroyed, 2);
}

TEST(TThreadObjectList, HammerKeepsTheListConsistent) {
  TThreadObjectList list(true);
  std::atomic<int> destroyed{0};
  std::atomic<bool> stop{false};
  constexpr int kAdds = 2000;
  auto writer = [&] {
    for (int i = 0; i < kAdds; ++i) {
      TThreadObjectList::WriteLocked locked(list);
      locked->Add(new Counted(destroyed));
      if (i % 3 == 0)
        locked->Delete(0);
    }
  };
  auto reader = [&] {
    while (!stop) {
      TThreadObjectList::ReadLocked locked(list);
      const TObjectList& inner = locked.List();
      for (int32_t i = 0; i < inner.Count(); ++i)
        ASSERT_NE(inner.Get(i), nullptr);
      ASSERT_GE(list.Count(), 0);
    }
  };
  std::vector<std::thread> threads;
  threads.emplace_back(writer);
  threads.emplace_back(writer);
  threads.emplace_back(reader);
  threads.emplace_back(reader);
  threads[0].join();
  threads[1].join();
  stop = true;
  threads[2].join();
  threads[3].join();
  const int deleted = 2 * ((kAdds + 2) / 3);
  EXPECT_EQ(list.Count(), 2 * kAdds - deleted);
  EXPECT_EQ(destroyed, deleted);
}

TEST(TzetThreadParamsList, LockOperationsHandOutTheInnerList) {
  TzetThreadParamsList params;
  {
    TzetThreadParamsList::WriteLocked locked(params);
    EXPECT_EQ(locked->Signature, kParamsListSignature);
    locked->SetValue("Description", rtl::Variant::FromAnsiText("Aggregation"), true);
  }
  std::future<void> reader = std::async(std::launch::async, [&] {
    TzetThreadParamsList::ReadLocked locked(params);
    EXPECT_EQ(locked->GetValue("DESCRIPTION").ToText(), "Aggregation");
  });
  AwaitOrAbort(reader, "reader of the parameters");
  TzetParamsList* inner = params.LockRead();
  EXPECT_EQ(params.LockWrite(), inner) << "upgrade by the only reader";
  params.UnlockWrite();
  params.UnlockRead();
}

TEST(TThreadStringList, TextCountAndScopedAccess) {
  TThreadStringList lines;
  lines.SetText("one\r\ntwo\nthree");
  EXPECT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\n");
  {
    TThreadStringList::WriteLocked locked(lines);
    locked->Add("four");
    EXPECT_EQ(lines.Count(), 4) << "a shared request by the exclusive holder";
    locked.Release();
    locked.Release(); // a second release does nothing
  }
  std::future<void> other = std::async(std::launch::async, [&] { lines.Clear(); });
  AwaitOrAbort(other, "writer after the early release");
  EXPECT_EQ(lines.Count(), 0);
}

TEST(TThreadStringList, HammerNeverShowsAHalfWrittenText) {
  TThreadStringList lines;
  std::atomic<bool> stop{false};
  auto writer = [&](const char* text, int lineCount) {
    for (int i = 0; i < 500; ++i) {
      TThreadStringList::WriteLocked locked(lines);
      lines.SetText(text); // re-enters the exclusive lock
      ASSERT_EQ(locked->Count(), lineCount);
    }
  };
  auto reader = [&] {
    while (!stop) {
      std::string text = lines.Text();
      ASSERT_TRUE(text.empty() || text == "a\r\nb\r\n" || text == "x\r\ny\r\nz\r\n") << text;
    }
  };
  std::thread r1(reader), r2(reader);
  std::thread w1(writer, "a\nb", 2), w2(writer, "x\ry\r\nz\r\n", 3);
  w1.join();
  w2.join();
  stop = true;
  r1.join();
  r2.join();
  int32_t count = lines.Count();
  EXPECT_TRUE(count == 2 || count == 3);
}

} // namespace
