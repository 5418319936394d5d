// A named system-wide lock: every thread of every process that opens a lock of the same name
// shares it. It is recursive for the thread that holds it, across all lock objects of that name
// in the process, and waiting has no time limit.
//
// Windows: a named mutex (CreateMutexA); a mutex whose owner ended without releasing it counts
// as acquired. A backslash in the name would address an object namespace, so it is replaced by
// '_'. POSIX: a recursive lock per name within the process, plus flock(LOCK_EX) on a lock file in
// the temporary folder ("aggregation-lock-<name>.lock", characters other than letters, digits,
// '.', '-' and '_' replaced by '_'), held while the outermost holder in the process holds it.
// Names that sanitise to the same file share one lock.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace platform {

class NamedLock {
public:
  /// Opens (or creates) the lock Name without taking it.
  explicit NamedLock(std::string_view name);
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  /// Waits until the calling thread holds the lock; a thread that holds it already gets one more
  /// level. False when the system object could not be had; nothing is held then. (On POSIX a lock
  /// file that cannot be opened leaves the lock working within the process only.)
  bool Lock();
  /// Takes the lock when that needs no waiting; true when the thread now holds it.
  bool TryLock();
  /// Gives up one level held by the calling thread; the last level releases the lock. A call by
  /// a thread that does not hold the lock does nothing.
  void Unlock();

  const std::string& Name() const noexcept { return name_; }

private:
  std::string name_;
  void* impl_ = nullptr;
};

/// Test seam: makes every lock object of the process fail to take its lock, as when the system
/// object cannot be had (Lock and TryLock answer false and nothing is held). Locks held already
/// stay held and are released as usual. Works the same on both platforms.
class NamedLockFaults {
public:
  static void Set(bool fail) noexcept { fail_.store(fail, std::memory_order_relaxed); }
  static bool Fails() noexcept { return fail_.load(std::memory_order_relaxed); }

private:
  static inline std::atomic<bool> fail_{false};
};

/// Makes named locks fail for the lifetime of the object, then restores the previous switch.
class ScopedNamedLockFault {
public:
  ScopedNamedLockFault() noexcept : previous_(NamedLockFaults::Fails()) {
    NamedLockFaults::Set(true);
  }
  ~ScopedNamedLockFault() { NamedLockFaults::Set(previous_); }
  ScopedNamedLockFault(const ScopedNamedLockFault&) = delete;
  ScopedNamedLockFault& operator=(const ScopedNamedLockFault&) = delete;

private:
  bool previous_;
};

/// Holds a named lock for its own lifetime.
class ScopedNamedLock {
public:
  explicit ScopedNamedLock(std::string_view name) : lock_(name), owns_(lock_.Lock()) {}
  ~ScopedNamedLock() {
    if (owns_)
      lock_.Unlock();
  }
  ScopedNamedLock(const ScopedNamedLock&) = delete;
  ScopedNamedLock& operator=(const ScopedNamedLock&) = delete;

  /// False when the lock could not be taken (see NamedLock::Lock).
  bool OwnsLock() const noexcept { return owns_; }

private:
  NamedLock lock_;
  bool owns_;
};

/// Holds an existing named lock for the guard's lifetime.
class NamedLockGuard {
public:
  explicit NamedLockGuard(NamedLock& lock) : lock_(lock), owns_(lock.Lock()) {}
  ~NamedLockGuard() {
    if (owns_)
      lock_.Unlock();
  }
  NamedLockGuard(const NamedLockGuard&) = delete;
  NamedLockGuard& operator=(const NamedLockGuard&) = delete;

  bool OwnsLock() const noexcept { return owns_; }

private:
  NamedLock& lock_;
  bool owns_;
};

} // namespace platform
