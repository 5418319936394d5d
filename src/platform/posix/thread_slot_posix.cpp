// The stand-in keeps the slots in a thread-local array, which costs one look-up of the thread's
// block here. A slot's index is never given out again, so no thread can read a value that was
// set for an earlier slot.
#include "platform/thread_slot.h"

#include <atomic>

namespace platform {
namespace {

constexpr uint32_t kSlots = 64;
thread_local void* tSlots[kSlots];
std::atomic<uint32_t> gNextSlot{0};

} // namespace

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
