// The stand-in keeps the slots in a thread-local array. Its initial-exec model makes reaching it
// a single load from the thread's block; the general model, which a loadable library gets
// otherwise, calls into the loader on every access, a fifth of a data call's fixed cost. The
// loader keeps room for such small arrays of libraries loaded later. A slot's index is never
// given out again, so no thread can read a value that was set for an earlier slot.
#include "platform/thread_slot.h"

#include <atomic>

#include <pthread.h>

namespace platform {
namespace {

constexpr uint32_t kSlots = 16;
thread_local void* tSlots[kSlots] __attribute__((tls_model("initial-exec")));
std::atomic<uint32_t> gNextSlot{0};

} // namespace

uintptr_t CurrentThreadMark() noexcept {
  return static_cast<uintptr_t>(::pthread_self());
}

ThreadSlot::ThreadSlot() noexcept {
  const uint32_t index = gNextSlot.fetch_add(1, std::memory_order_relaxed);
  valid_ = index < kSlots;
  index_ = valid_ ? index : 0;
}

ThreadSlot::~ThreadSlot() = default;

void* ThreadSlot::Get() const noexcept {
  return valid_ ? tSlots[index_] : nullptr;
}

void ThreadSlot::Set(void* value) const noexcept {
  if (valid_)
    tSlots[index_] = value;
}

} // namespace platform
