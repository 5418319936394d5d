// A pointer per thread kept by the system, and the per-thread caches of the data path built on
// it. Reading a slot costs a few instructions. The compiler's thread-local variables cost more
// where they are emulated, as in the Windows builds: every access there takes a lock and calls
// the system three times. ThreadCached reaches its thread-local object through the compiler once
// per thread and through a slot after that.
#pragma once

#include <cstdint>

namespace platform {

class ThreadSlot {
public:
  ThreadSlot() noexcept;
  ~ThreadSlot();
  ThreadSlot(const ThreadSlot&) = delete;
  ThreadSlot& operator=(const ThreadSlot&) = delete;

  /// The calling thread's pointer: null until the thread sets one, and always when the system
  /// had no slot left.
  void* Get() const noexcept;
  /// Sets the calling thread's pointer; does nothing when the system had no slot left.
  void Set(void* value) const noexcept;

private:
  uint32_t index_ = 0;
  bool valid_ = false;
};

/// A number that stands for the calling thread while it runs (no two running threads have the
/// same, and none has 0), from the system: in the Windows builds a third of the cost of the
/// runtime's thread id, which their threads library finds through a slot of its own.
uintptr_t CurrentThreadMark() noexcept;

/// The calling thread's T, made on the thread's first call and destroyed when it ends.
template <class T> T& ThreadCached() {
  static const ThreadSlot slot;
  if (void* known = slot.Get())
    return *static_cast<T*>(known);
  thread_local T object;
  slot.Set(&object);
  return object;
}

} // namespace platform
