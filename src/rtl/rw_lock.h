// The runtime's multi-reader, exclusive-writer lock, re-entrant for its holders. It guards the
// instance list, the engine's variable list and the other lock-protected containers, whose holders
// call back into code that takes the same lock again.
//
// Rules:
// - Any number of threads may hold the lock shared; one thread may hold it exclusive, which
//   excludes the shared holders of all other threads.
// - A thread may take the shared lock several times and the exclusive lock several times; every
//   take needs one release. The exclusive holder may also take (and release) the shared lock
//   without blocking.
// - Upgrade: a thread that holds only the shared lock may ask for the exclusive lock. It gets it
//   once the other threads' shared holds are gone; after releasing the exclusive lock it still
//   holds its shared count.
// - Waiting writers are preferred over NEW readers of other threads, so a stream of readers cannot
//   starve a writer. A thread that already holds the lock (shared or exclusive) is never blocked
//   when it takes the shared lock again: blocking it behind a writer that waits for it would
//   deadlock.
// - EndRead or EndWrite by a thread that holds no such lock does nothing.
//
// Two upgraders at once: when two threads hold the lock shared and both ask for the exclusive
// lock, each would wait forever for the other to leave. To avoid that, requests for the exclusive
// lock are served one at a time, in arrival order, and while a thread waits in BeginWrite its own
// shared hold is suspended: it does not count as a blocker for the writer in front of it. That is
// sound because a thread that waits in BeginWrite is not reading. So the first upgrader gets the
// exclusive lock while the second waits; the second gets the exclusive lock (with its shared count
// back) after the first has released both its exclusive and its shared holds, or is itself waiting
// to upgrade again. An exclusive holder therefore never runs while another thread is actually
// reading under its shared hold.
//
// The consequence for an upgrader: another writer may have changed the guarded data while it
// waited, so what it read before asking may be stale. BeginWrite answers false in that case (some
// other thread held the exclusive lock between the call and the grant); a caller that upgrades
// must then re-check what it read, e.g. look an entry up again before inserting it.
//
// The uncontended exclusive take costs one atomic step each way: while nobody holds the lock and
// nobody waits, a thread takes it exclusively by marking it so, without the bookkeeping under
// the mutex. Everything else (shared holds, re-entry, upgrades, waiting) is tracked under the
// mutex. A thread that finds such a quick hold of its own (it takes the lock again) enters the
// hold into that bookkeeping first; a thread that finds another thread's quick hold waits for it
// as for any exclusive holder.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace rtl {

class ReentrantRwLock {
public:
  ReentrantRwLock() = default;
  ReentrantRwLock(const ReentrantRwLock&) = delete;
  ReentrantRwLock& operator=(const ReentrantRwLock&) = delete;

  /// Takes the shared lock for the calling thread; blocks only a thread that holds nothing while
  /// another thread holds or waits for the exclusive lock.
  void BeginRead();
  /// Releases one shared take of the calling thread; does nothing when it holds none.
  void EndRead();
  /// Takes the exclusive lock for the calling thread (re-entrant; upgrades a shared hold).
  /// Answers true when no other thread held the exclusive lock while this call waited, i.e. what
  /// the caller read under its shared hold is still current; false when it must be read again.
  bool BeginWrite();
  /// Releases one exclusive take of the calling thread; does nothing when it is not the holder.
  void EndWrite();

private:
  // Shared takes of one thread. A record exists while Reads > 0 or while the thread waits in
  // BeginWrite with a suspended shared hold.
  struct ReaderRecord {
    std::thread::id Thread;
    unsigned Reads = 0;
    bool Upgrading = false; // waiting in BeginWrite: the shared hold does not block writers
  };

  ReaderRecord* FindRecord(std::thread::id thread);
  void DropRecordIfIdle(std::thread::id thread);
  bool OtherActiveReaders(std::thread::id self) const;
  bool CanGrantWrite(std::thread::id self) const;
  /// Puts the lock under the bookkeeping of mutex_ (held by Lock) for a take by Self (SelfMark
  /// its platform::CurrentThreadMark): a free
  /// lock is marked tracked, Self's own quick hold is entered as an exclusive hold, and another
  /// thread's quick hold is waited out. Answers true when it waited one out.
  bool Track(std::unique_lock<std::mutex>& lock, std::thread::id self, uintptr_t selfMark);
  /// Marks the lock free again when nothing is held, queued or waited for (mutex_ held).
  void UntrackIfIdle();

  /// Waits on changed_ until Ready holds, counted in waiters_ meanwhile.
  template <class Ready> void Wait(std::unique_lock<std::mutex>& lock, Ready ready) {
    ++waiters_;
    changed_.wait(lock, ready);
    --waiters_;
  }
  /// Wakes the waiting threads, if there are any: the uncontended path costs no wake-up call.
  void Notify() {
    if (waiters_ != 0)
      changed_.notify_all();
  }

  static constexpr uint32_t kFree = 0;        // nothing held, nothing waits: a quick take may come
  static constexpr uint32_t kQuickWrite = 1;  // held exclusively by quickWriter_, untracked
  static constexpr uint32_t kQuickWaited = 2; // with kQuickWrite: threads wait for its release
  static constexpr uint32_t kTracked = 4;     // the bookkeeping below is in use

  std::atomic<uint32_t> state_{kFree};
  /// The quick holder's platform::CurrentThreadMark, 0 for none; written only by the holder.
  std::atomic<uintptr_t> quickWriter_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  unsigned waiters_ = 0; // threads in Wait
  std::vector<ReaderRecord> readers_;
  std::vector<std::thread::id> writeQueue_; // threads waiting in BeginWrite, in arrival order
  std::thread::id writer_;                  // default id: no exclusive holder
  unsigned writeCount_ = 0;
  std::uint64_t writeGrants_ = 0; // incremented each time a thread newly gets the exclusive lock
};

/// Holds the shared lock for the lifetime of the guard.
class ReadGuard {
public:
  explicit ReadGuard(ReentrantRwLock& lock) : lock_(lock) { lock_.BeginRead(); }
  ~ReadGuard() { lock_.EndRead(); }
  ReadGuard(const ReadGuard&) = delete;
  ReadGuard& operator=(const ReadGuard&) = delete;

private:
  ReentrantRwLock& lock_;
};

/// Holds the exclusive lock for the lifetime of the guard.
class WriteGuard {
public:
  explicit WriteGuard(ReentrantRwLock& lock) : lock_(lock), undisturbed_(lock_.BeginWrite()) {}
  ~WriteGuard() { lock_.EndWrite(); }
  WriteGuard(const WriteGuard&) = delete;
  WriteGuard& operator=(const WriteGuard&) = delete;

  /// The result of BeginWrite: false when another writer ran while the guard waited.
  bool Undisturbed() const { return undisturbed_; }

private:
  ReentrantRwLock& lock_;
  bool undisturbed_;
};

} // namespace rtl
