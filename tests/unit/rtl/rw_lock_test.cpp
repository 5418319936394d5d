#include "rtl/rw_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include "test_barrier.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using rtl::ReentrantRwLock;

// How long a thread that must get through is given; a deadlock ends the test binary instead of
// hanging it, since a thread stuck in the lock cannot be joined.
// Generous: under wine on a loaded machine a thread may wait long to be scheduled; only a real
// deadlock takes this long.
constexpr auto kDeadline = 30s;
// How long a thread that must be blocked is watched before it is taken as waiting.
constexpr auto kSettle = 50ms;

void AwaitOrAbort(std::future<void>& done, const char* what) {
  if (done.wait_for(kDeadline) != std::future_status::ready) {
    std::fprintf(stderr, "deadlock: %s did not finish within the deadline\n", what);
    std::abort();
  }
  done.get();
}

// Runs Body on its own thread and waits until it is done.
void RunWithinDeadline(const char* what, std::function<void()> body) {
  std::future<void> done = std::async(std::launch::async, std::move(body));
  AwaitOrAbort(done, what);
}

// A thread that takes the lock once (shared or exclusive), records that it got it, and releases.
class Contender {
public:
  Contender(ReentrantRwLock& lock, bool exclusive) {
    done_ = std::async(std::launch::async, [&lock, exclusive, this] {
      if (exclusive) {
        lock.BeginWrite();
      } else {
        lock.BeginRead();
      }
      got_ = true;
      if (exclusive) {
        lock.EndWrite();
      } else {
        lock.EndRead();
      }
    });
  }
  // Answers true when the contender is still blocked after a short look.
  bool StillWaiting() { return done_.wait_for(kSettle) == std::future_status::timeout && !got_; }
  void Finish(const char* what) { AwaitOrAbort(done_, what); }

private:
  std::atomic<bool> got_{false};
  std::future<void> done_;
};

TEST(ReentrantRwLock, SharedTakesNeedOneReleaseEach) {
  ReentrantRwLock lock;
  lock.BeginRead();
  lock.BeginRead();
  lock.BeginRead();
  Contender writer(lock, true);
  EXPECT_TRUE(writer.StillWaiting());
  lock.EndRead();
  lock.EndRead();
  EXPECT_TRUE(writer.StillWaiting());
  lock.EndRead();
  writer.Finish("writer after three shared releases");
}

TEST(ReentrantRwLock, ExclusiveTakesNeedOneReleaseEach) {
  ReentrantRwLock lock;
  EXPECT_TRUE(lock.BeginWrite());
  EXPECT_TRUE(lock.BeginWrite());
  Contender reader(lock, false);
  EXPECT_TRUE(reader.StillWaiting());
  lock.EndWrite();
  EXPECT_TRUE(reader.StillWaiting());
  lock.EndWrite();
  reader.Finish("reader after two exclusive releases");
}

// An exclusive take of a free lock is a single atomic step outside the bookkeeping; threads that
// come meanwhile must wait for it, also when its holder takes the lock again while they wait.
TEST(ReentrantRwLock, UncontendedExclusiveHoldIsWaitedForAndReleased) {
  ReentrantRwLock lock;
  EXPECT_TRUE(lock.BeginWrite());
  Contender reader(lock, false);
  Contender writer(lock, true);
  EXPECT_TRUE(reader.StillWaiting());
  EXPECT_TRUE(writer.StillWaiting());
  lock.EndWrite();
  reader.Finish("reader after the single exclusive release");
  writer.Finish("writer after the single exclusive release");

  EXPECT_TRUE(lock.BeginWrite());
  Contender second(lock, false);
  EXPECT_TRUE(second.StillWaiting());
  // Re-entry while another thread waits for the first take.
  EXPECT_TRUE(lock.BeginWrite());
  lock.BeginRead();
  lock.EndRead();
  lock.EndWrite();
  EXPECT_TRUE(second.StillWaiting());
  lock.EndWrite();
  second.Finish("reader after the re-entered hold");

  // The lock is free again for the next single-step take, also after all that bookkeeping.
  RunWithinDeadline("exclusive take of the freed lock", [&lock] {
    EXPECT_TRUE(lock.BeginWrite());
    lock.EndWrite();
  });
}

TEST(ReentrantRwLock, ExclusiveHolderTakesSharedWithoutBlocking) {
  ReentrantRwLock lock;
  RunWithinDeadline("shared take by the exclusive holder", [&lock] {
    rtl::WriteGuard write(lock);
    rtl::ReadGuard read(lock);
    rtl::ReadGuard again(lock);
  });
  // Shared taken under exclusive and kept after the exclusive release: other readers may join,
  // writers of other threads still wait for it.
  lock.BeginWrite();
  lock.BeginRead();
  lock.EndWrite();
  Contender reader(lock, false);
  reader.Finish("second reader beside a former writer");
  Contender writer(lock, true);
  EXPECT_TRUE(writer.StillWaiting());
  lock.EndRead();
  writer.Finish("writer after the former writer's shared release");
}

TEST(ReentrantRwLock, ReadersShareAndWriterWaitsForAll) {
  ReentrantRwLock lock;
  test_support::Barrier bothIn(3);
  std::promise<void> releaseFirst;
  std::promise<void> releaseSecond;
  auto reader = [&lock, &bothIn](std::shared_future<void> release) {
    rtl::ReadGuard read(lock);
    bothIn.arrive_and_wait();
    release.wait();
  };
  std::future<void> first =
      std::async(std::launch::async, reader, releaseFirst.get_future().share());
  std::future<void> second =
      std::async(std::launch::async, reader, releaseSecond.get_future().share());
  // Both readers hold the lock at the same time, or the barrier would never open.
  std::future<void> opened =
      std::async(std::launch::async, [&bothIn] { bothIn.arrive_and_wait(); });
  AwaitOrAbort(opened, "two readers together");

  Contender writer(lock, true);
  EXPECT_TRUE(writer.StillWaiting());
  releaseFirst.set_value();
  AwaitOrAbort(first, "first reader");
  EXPECT_TRUE(writer.StillWaiting());
  releaseSecond.set_value();
  AwaitOrAbort(second, "second reader");
  writer.Finish("writer after both readers");
}

TEST(ReentrantRwLock, UpgradeWaitsForOtherReadersAndKeepsSharedHold) {
  ReentrantRwLock lock;
  std::promise<void> otherIn;
  std::promise<void> releaseOther;
  std::future<void> other = std::async(std::launch::async, [&] {
    rtl::ReadGuard read(lock);
    otherIn.set_value();
    releaseOther.get_future().wait();
  });
  otherIn.get_future().wait();

  lock.BeginRead();
  std::atomic<bool> upgraded{false};
  std::future<void> upgrade = std::async(std::launch::async, [&] {
    // Runs on its own thread so the main thread can watch it; this thread takes shared first.
    lock.BeginRead();
    EXPECT_TRUE(lock.BeginWrite()) << "nobody else wrote while the upgrade waited";
    upgraded = true;
    lock.EndWrite();
    // The shared hold taken before the upgrade is still held.
    Contender writer(lock, true);
    EXPECT_TRUE(writer.StillWaiting());
    lock.EndRead();
    writer.Finish("writer after the upgrader's shared release");
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(upgraded) << "upgrade must wait for the other readers";
  releaseOther.set_value();
  AwaitOrAbort(other, "other reader");
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(upgraded) << "upgrade must wait for the main thread's shared hold too";
  lock.EndRead();
  AwaitOrAbort(upgrade, "upgrade");
  EXPECT_TRUE(upgraded);
}

TEST(ReentrantRwLock, SimultaneousUpgradersDoNotDeadlock) {
  ReentrantRwLock lock;
  test_support::Barrier bothReading(2);
  std::atomic<int> writers{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> undisturbed{0};
  int guarded = 0; // plain: written only under the exclusive lock
  auto upgrader = [&] {
    rtl::ReadGuard read(lock);
    const int seen = guarded;
    bothReading.arrive_and_wait();
    rtl::WriteGuard write(lock);
    if (writers.fetch_add(1) != 0) {
      ++overlaps;
    }
    if (write.Undisturbed()) {
      ++undisturbed;
      EXPECT_EQ(guarded, seen);
    } else {
      EXPECT_NE(guarded, seen) << "a disturbed upgrade must see the other writer's change";
    }
    ++guarded;
    std::this_thread::sleep_for(5ms);
    writers.fetch_sub(1);
  };
  RunWithinDeadline("two simultaneous upgraders", [&] {
    std::future<void> a = std::async(std::launch::async, upgrader);
    std::future<void> b = std::async(std::launch::async, upgrader);
    a.get();
    b.get();
  });
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(guarded, 2);
  EXPECT_EQ(undisturbed.load(), 1) << "the second upgrader must learn that its read is stale";
}

TEST(ReentrantRwLock, WaitingWriterHoldsBackNewReadersOnly) {
  ReentrantRwLock lock;
  lock.BeginRead();
  Contender writer(lock, true);
  EXPECT_TRUE(writer.StillWaiting());
  Contender newReader(lock, false);
  EXPECT_TRUE(newReader.StillWaiting()) << "a new reader must queue behind the waiting writer";
  // Re-entry of a present holder must not queue behind the writer that waits for it.
  lock.BeginRead();
  lock.EndRead();
  lock.EndRead();
  writer.Finish("waiting writer");
  newReader.Finish("new reader after the writer");
}

TEST(ReentrantRwLock, ReleaseWithoutHoldIsIgnored) {
  ReentrantRwLock lock;
  lock.EndRead();
  lock.EndWrite();
  lock.BeginRead();
  RunWithinDeadline("stray releases by another thread", [&lock] {
    lock.EndRead();
    lock.EndWrite();
  });
  // The main thread's hold survived the stray releases.
  Contender writer(lock, true);
  EXPECT_TRUE(writer.StillWaiting());
  lock.EndRead();
  lock.EndRead(); // one release too many
  writer.Finish("writer after the real release");

  lock.BeginWrite();
  RunWithinDeadline("stray release of someone else's exclusive hold", [&lock] {
    lock.EndWrite();
    lock.EndRead();
  });
  Contender reader(lock, false);
  EXPECT_TRUE(reader.StillWaiting());
  lock.EndWrite();
  lock.EndWrite();
  reader.Finish("reader after the exclusive release");
}

// Several threads mix shared, exclusive, upgrade and re-entry; a writer never overlaps another
// writer or a thread that is reading, and no increment is lost.
TEST(ReentrantRwLock, MixedLoadKeepsWritersExclusive) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 400;
  ReentrantRwLock lock;
  std::atomic<int> readers{0};
  std::atomic<int> writers{0};
  std::atomic<int> violations{0};
  long guarded = 0; // plain: the thread sanitizer sees any unguarded access
  std::atomic<long> expected{0};

  auto checkWriting = [&] {
    if (writers.fetch_add(1) != 0 || readers.load() != 0) {
      ++violations;
    }
    ++guarded;
    ++expected;
  };
  auto checkReading = [&] {
    readers.fetch_add(1);
    if (writers.load() != 0) {
      ++violations;
    }
    const long first = guarded;
    std::this_thread::yield();
    if (guarded != first) {
      ++violations;
    }
    readers.fetch_sub(1);
  };

  auto worker = [&](unsigned seed) {
    std::minstd_rand random(seed);
    for (int round = 0; round < kRounds; ++round) {
      switch (random() % 4) {
      case 0: { // shared, re-entered
        rtl::ReadGuard outer(lock);
        checkReading();
        rtl::ReadGuard inner(lock);
        checkReading();
        break;
      }
      case 1: { // exclusive, re-entered, with a shared take inside
        rtl::WriteGuard outer(lock);
        checkWriting();
        {
          rtl::WriteGuard inner(lock);
          rtl::ReadGuard read(lock);
        }
        writers.fetch_sub(1);
        break;
      }
      case 2: { // upgrade, then read again under the kept shared hold
        rtl::ReadGuard read(lock);
        checkReading();
        {
          rtl::WriteGuard write(lock);
          checkWriting();
          writers.fetch_sub(1);
        }
        checkReading();
        break;
      }
      default: { // exclusive released before the shared take made under it
        lock.BeginWrite();
        checkWriting();
        lock.BeginRead();
        writers.fetch_sub(1);
        lock.EndWrite();
        checkReading();
        lock.EndRead();
        break;
      }
      }
    }
  };

  RunWithinDeadline("mixed load", [&] {
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back(worker, 1234u + static_cast<unsigned>(i));
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
  });
  EXPECT_EQ(violations.load(), 0);
  EXPECT_EQ(guarded, expected.load());
}

} // namespace
