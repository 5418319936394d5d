#include "manual_timer_clock.h"

#include <algorithm>

bool ManualTimerClock::SetTimer(platform::WindowHandle window, uintptr_t id, uint32_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(timers_, [&](const Entry& e) { return e.window == window && e.id == id; });
  timers_.push_back({window, id, ms, now_ + ms});
  return true;
}

void ManualTimerClock::KillTimer(platform::WindowHandle window, uintptr_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(timers_, [&](const Entry& e) { return e.window == window && e.id == id; });
}

void ManualTimerClock::Advance(uint64_t ms) {
  std::vector<Entry> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += ms;
    for (Entry& e : timers_) {
      if (e.due <= now_) {
        due.push_back(e);
        while (e.due <= now_)
          e.due += e.ms;
      }
    }
  }
  for (const Entry& e : due)
    platform::PostWindowMessage(e.window, platform::kTimerMessage, e.id, 0);
}

uint32_t ManualTimerClock::Running(platform::WindowHandle window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Entry& e : timers_) {
    if (e.window == window)
      return e.ms;
  }
  return 0;
}
