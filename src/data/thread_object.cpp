#include "data/thread_object.h"

TThreadObject::TThreadObject(TObject* object) noexcept : guarded_(object ? object : this) {}

TThreadObject::~TThreadObject() {
  delete lock_.load(std::memory_order_acquire);
}

rtl::ReentrantRwLock& TThreadObject::EnsureLock() {
  rtl::ReentrantRwLock* lock = lock_.load(std::memory_order_acquire);
  if (lock)
    return *lock;
  std::lock_guard<std::mutex> section(createSection_);
  lock = lock_.load(std::memory_order_relaxed);
  if (!lock) {
    lock = new rtl::ReentrantRwLock();
    lock_.store(lock, std::memory_order_release);
  }
  return *lock;
}

TObject* TThreadObject::LockRead() {
  EnsureLock().BeginRead();
  return guarded_;
}

void TThreadObject::UnlockRead() {
  if (rtl::ReentrantRwLock* lock = lock_.load(std::memory_order_acquire))
    lock->EndRead();
}

TObject* TThreadObject::LockWrite() {
  EnsureLock().BeginWrite();
  return guarded_;
}

void TThreadObject::UnlockWrite() {
  if (rtl::ReentrantRwLock* lock = lock_.load(std::memory_order_acquire))
    lock->EndWrite();
}
