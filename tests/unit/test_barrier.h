// A reusable thread barrier for tests that start threads at the same moment. It waits on a mutex
// and a condition variable: the std::barrier of the Windows toolchain's runtime (GCC 12) waits
// through a shared pool of condition variables that can lose a wake-up and hang for good.
#pragma once

#include <condition_variable>
#include <mutex>

namespace test_support {

class Barrier {
public:
  explicit Barrier(int count) : count_(count) {}

  /// Blocks until Count threads have arrived in this phase; then all go on and the next phase
  /// begins.
  void arrive_and_wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    const unsigned phase = phase_;
    if (++arrived_ == count_) {
      arrived_ = 0;
      ++phase_;
      changed_.notify_all();
      return;
    }
    changed_.wait(lock, [&] { return phase_ != phase; });
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  const int count_;
  int arrived_ = 0;
  unsigned phase_ = 0;
};

} // namespace test_support
