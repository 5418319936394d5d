// A timer clock for tests: instead of the system's timers, the test advances time and the
// timers that fall due get their timer message posted to their window, which the owner thread
// then dispatches as it would a system timer message.
#pragma once

#include "support/timer_ex.h"

#include <cstdint>
#include <mutex>
#include <vector>

class ManualTimerClock : public TTimerScheduler {
public:
  bool SetTimer(platform::WindowHandle window, uintptr_t id, uint32_t ms) override;
  void KillTimer(platform::WindowHandle window, uintptr_t id) override;
  /// Lets Ms milliseconds pass; posts one timer message per timer that fell due.
  void Advance(uint64_t ms);
  /// The period of the running timer of Window, 0 when none runs.
  uint32_t Running(platform::WindowHandle window) const;

private:
  struct Entry {
    platform::WindowHandle window;
    uintptr_t id;
    uint32_t ms;
    uint64_t due;
  };
  mutable std::mutex mutex_;
  uint64_t now_ = 0;
  std::vector<Entry> timers_;
};
