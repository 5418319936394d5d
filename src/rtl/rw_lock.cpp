#include "rtl/rw_lock.h"

#include "platform/thread_slot.h"

#include <algorithm>

namespace rtl {

ReentrantRwLock::ReaderRecord* ReentrantRwLock::FindRecord(std::thread::id thread) {
  for (ReaderRecord& record : readers_) {
    if (record.Thread == thread) {
      return &record;
    }
  }
  return nullptr;
}

void ReentrantRwLock::DropRecordIfIdle(std::thread::id thread) {
  std::erase_if(readers_, [thread](const ReaderRecord& record) {
    return record.Thread == thread && record.Reads == 0 && !record.Upgrading;
  });
}

// A shared hold blocks a writer only while its thread may be reading: a thread that waits in
// BeginWrite is not, so its suspended hold does not count.
bool ReentrantRwLock::OtherActiveReaders(std::thread::id self) const {
  return std::any_of(readers_.begin(), readers_.end(), [self](const ReaderRecord& record) {
    return record.Thread != self && record.Reads > 0 && !record.Upgrading;
  });
}

bool ReentrantRwLock::CanGrantWrite(std::thread::id self) const {
  return writer_ == std::thread::id() && !writeQueue_.empty() && writeQueue_.front() == self &&
         !OtherActiveReaders(self);
}

bool ReentrantRwLock::Track(std::unique_lock<std::mutex>& lock, std::thread::id self,
                            uintptr_t selfMark) {
  bool waited = false;
  for (;;) {
    uint32_t state = state_.load(std::memory_order_acquire);
    if (state & kTracked)
      return waited;
    if (state == kFree) {
      if (state_.compare_exchange_weak(state, kTracked, std::memory_order_acquire))
        return waited;
      continue;
    }
    if (quickWriter_.load(std::memory_order_relaxed) == selfMark) {
      // Self takes the lock again: its quick hold becomes an ordinary exclusive hold. Threads
      // waiting for the quick release now wait in the bookkeeping like for any holder.
      quickWriter_.store(0, std::memory_order_relaxed);
      writer_ = self;
      writeCount_ = 1;
      ++writeGrants_;
      state_.store(kTracked, std::memory_order_relaxed);
      Notify();
      return waited;
    }
    if (!(state & kQuickWaited) &&
        !state_.compare_exchange_weak(state, state | kQuickWaited, std::memory_order_relaxed))
      continue;
    waited = true;
    Wait(lock, [this] { return !(state_.load(std::memory_order_acquire) & kQuickWrite); });
  }
}

void ReentrantRwLock::UntrackIfIdle() {
  if (readers_.empty() && writer_ == std::thread::id() && writeQueue_.empty() && waiters_ == 0)
    state_.store(kFree, std::memory_order_release);
}

void ReentrantRwLock::BeginRead() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  Track(lock, self, platform::CurrentThreadMark());
  if (ReaderRecord* record = FindRecord(self)) {
    // Re-entry never waits: a writer in line may be waiting for exactly this hold.
    ++record->Reads;
    return;
  }
  if (writer_ != self) {
    // A new reader lets the current and the waiting writers go first.
    Wait(lock, [this] { return writer_ == std::thread::id() && writeQueue_.empty(); });
  }
  readers_.push_back(ReaderRecord{self, 1, false});
}

void ReentrantRwLock::EndRead() {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(mutex_);
  // Untracked, the lock has no shared holds: there is nothing to release.
  if (!(state_.load(std::memory_order_relaxed) & kTracked))
    return;
  ReaderRecord* record = FindRecord(self);
  if (record == nullptr || record->Reads == 0) {
    UntrackIfIdle();
    return;
  }
  if (--record->Reads == 0) {
    DropRecordIfIdle(self);
    Notify();
    UntrackIfIdle();
  }
}

bool ReentrantRwLock::BeginWrite() {
  const uintptr_t mark = platform::CurrentThreadMark();
  uint32_t free = kFree;
  if (state_.compare_exchange_strong(free, kQuickWrite, std::memory_order_acquire,
                                     std::memory_order_relaxed)) {
    quickWriter_.store(mark, std::memory_order_relaxed);
    return true;
  }
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  const bool waitedOut = Track(lock, self, mark);
  if (writer_ == self) {
    ++writeCount_;
    return true;
  }
  writeQueue_.push_back(self);
  ReaderRecord* record = FindRecord(self);
  if (record != nullptr) {
    // Suspend our own shared hold while waiting, so that another upgrader in front of us can get
    // the lock; the front of the queue may now be free to go.
    record->Upgrading = true;
    Notify();
  }
  const std::uint64_t grantsBefore = writeGrants_;
  Wait(lock, [this, self] { return CanGrantWrite(self); });
  writeQueue_.erase(writeQueue_.begin());
  if (ReaderRecord* own = FindRecord(self)) {
    own->Upgrading = false;
  }
  writer_ = self;
  writeCount_ = 1;
  ++writeGrants_;
  return !waitedOut && writeGrants_ == grantsBefore + 1;
}

void ReentrantRwLock::EndWrite() {
  if (quickWriter_.load(std::memory_order_relaxed) == platform::CurrentThreadMark()) {
    quickWriter_.store(0, std::memory_order_relaxed);
    uint32_t held = kQuickWrite;
    if (state_.compare_exchange_strong(held, kFree, std::memory_order_release,
                                       std::memory_order_relaxed))
      return;
    // Threads wait for this hold. The lock goes to the bookkeeping, under the mutex so that no
    // waiter misses the wake, and not back to free: the waiters take their turns there, before
    // a quick take of this thread could come again.
    std::lock_guard<std::mutex> lock(mutex_);
    state_.store(kTracked, std::memory_order_release);
    changed_.notify_all();
    UntrackIfIdle();
    return;
  }
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(mutex_);
  // Untracked, the lock is free or another thread's quick hold: Self holds nothing.
  if (!(state_.load(std::memory_order_relaxed) & kTracked))
    return;
  if (writer_ != self || writeCount_ == 0) {
    UntrackIfIdle();
    return;
  }
  if (--writeCount_ == 0) {
    writer_ = std::thread::id();
    Notify();
    UntrackIfIdle();
  }
}

} // namespace rtl
