#include "platform/thread_life.h"

#include <atomic>
#include <memory>

namespace platform {

namespace {

using Mark = std::shared_ptr<std::atomic<bool>>;

/// Marks the thread's end when the thread's objects are destroyed.
struct LifeOfThread {
  Mark Ended = std::make_shared<std::atomic<bool>>(false);
  ~LifeOfThread() { Ended->store(true, std::memory_order_release); }
};

} // namespace

void ThreadLife::Close(void* token) noexcept {
  delete static_cast<Mark*>(token);
}

ThreadLife ThreadLife::OfCallingThread() {
  thread_local LifeOfThread life;
  return ThreadLife(new Mark(life.Ended));
}

bool ThreadLife::Ended() const noexcept {
  return token_ && (*static_cast<Mark*>(token_))->load(std::memory_order_acquire);
}

} // namespace platform
