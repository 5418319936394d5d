#include "data/thread_object.h"

TThreadObject::TThreadObject(TObject* object) noexcept : FGuarded(object ? object : this) {}

TThreadObject::~TThreadObject() {
  delete FLock.load(std::memory_order_acquire);
}

rtl::ReentrantRwLock& TThreadObject::EnsureLock() {
  rtl::ReentrantRwLock* lock = FLock.load(std::memory_order_acquire);
  if (lock)
    return *lock;
  std::lock_guard<std::mutex> section(FCreateSection);
  lock = FLock.load(std::memory_order_relaxed);
  if (!lock) {
    lock = new rtl::ReentrantRwLock();
    FLock.store(lock, std::memory_order_release);
  }
  return *lock;
}

TObject* TThreadObject::LockRead() {
  EnsureLock().BeginRead();
  return FGuarded;
}

void TThreadObject::UnlockRead() {
  if (rtl::ReentrantRwLock* lock = FLock.load(std::memory_order_acquire))
    lock->EndRead();
}

TObject* TThreadObject::LockWrite() {
  EnsureLock().BeginWrite();
  return FGuarded;
}

void TThreadObject::UnlockWrite() {
  if (rtl::ReentrantRwLock* lock = FLock.load(std::memory_order_acquire))
    lock->EndWrite();
}
