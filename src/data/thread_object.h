// The base of the lock-protected containers: a re-entrant reader/writer lock around one guarded
// object, handed out only while the lock is held. The lock is created at the first lock request;
// a critical section makes that creation happen exactly once when several threads ask at once and
// is held for nothing else.
#pragma once

#include "data/locked_view.h"
#include "rtl/object.h"
#include "rtl/rw_lock.h"

#include <atomic>
#include <mutex>

class TThreadObject : public TObject {
public:
  /// Object becomes the guarded object; null makes the container guard itself. The container
  /// does not own it.
  explicit TThreadObject(TObject* object = nullptr) noexcept;
  ~TThreadObject() override;

  /// Takes the shared lock and answers the guarded object.
  TObject* LockRead();
  /// Releases one shared take.
  void UnlockRead();
  /// Takes the exclusive lock and answers the guarded object.
  TObject* LockWrite();
  /// Releases one exclusive take.
  void UnlockWrite();

  /// True once the reader/writer lock has been created by a first lock request.
  bool HasLock() const noexcept { return lock_.load(std::memory_order_acquire) != nullptr; }

  using ReadLocked = TLockedView<TThreadObject, const TObject, &TThreadObject::LockRead,
                                 &TThreadObject::UnlockRead>;
  using WriteLocked =
      TLockedView<TThreadObject, TObject, &TThreadObject::LockWrite, &TThreadObject::UnlockWrite>;

protected:
  /// The guarded object, without taking the lock (for constructors and destructors).
  TObject* Guarded() const noexcept { return guarded_; }

private:
  rtl::ReentrantRwLock& EnsureLock();

  std::mutex createSection_;
  std::atomic<rtl::ReentrantRwLock*> lock_{nullptr};
  TObject* guarded_;
};
