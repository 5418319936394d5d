#include "support/timer_ex.h"

#include "platform/timer_window.h"
#include "rtl/published_builder.h"
#include "support/application.h"

#include <mutex>

namespace {

constexpr uintptr_t kTimerId = 1;
constexpr uint32_t kControlWaitMs = 5000;

class SystemScheduler : public TTimerScheduler {
public:
  bool SetTimer(platform::WindowHandle window, uintptr_t id, uint32_t ms) override {
    return platform::SetWindowTimer(window, id, ms);
  }
  void KillTimer(platform::WindowHandle window, uintptr_t id) override {
    platform::KillWindowTimer(window, id);
  }
};

} // namespace

TTimerScheduler& SystemTimerScheduler() {
  static SystemScheduler scheduler;
  return scheduler;
}

// The window's way to its timer. The window may outlive the timer when the owner thread did not
// answer a destroying thread in time: the timer is then cleared here, and messages that reach
// the window later find no timer. The window's own reference is released with the window.
struct TzetTimerEx::Link {
  std::recursive_mutex mutex;
  TzetTimerEx* timer = nullptr;
};

const rtl::MetaClass& TzetTimerEx::StaticClass() {
  using T = TzetTimerEx;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TzetTimerEx")
          .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
          .Default(1)
          .Integer("Interval", &T::Interval, &T::SetInterval)
          .Default(1000)
          .Integer("OwnerThread", &T::OwnerThread)
          // A handler attached by a form resource takes effect with the next change of Enabled or
          // Interval; code uses SetOnTimer.
          .Method("OnTimer", &T::onTimer_);
  return meta;
}

TzetTimerEx::TzetTimerEx(TComponent* owner, TTimerScheduler* scheduler)
    : TComponent(owner), scheduler_(scheduler ? scheduler : &SystemTimerScheduler()),
      link_(std::make_shared<Link>()) {
  ownerThread_ = platform::CurrentThreadId();
  link_->timer = this;
  auto* holder = new std::shared_ptr<Link>(link_);
  window_ = platform::CreateTimerWindow(&TzetTimerEx::WindowProc, holder);
  if (!window_)
    delete holder;
}

TzetTimerEx::~TzetTimerEx() {
  const platform::WindowHandle window = window_.load();
  const bool owner = IsOwnerThread();
  if (window && !owner)
    platform::SendWindowMessageTimeout(window, WM_TIMEREX_ENABLE, 0, 0, platform::kSendNormal,
                                       kControlWaitMs, nullptr);
  {
    // From here on the window does not reach this object, whatever the owner thread does later.
    std::lock_guard<std::recursive_mutex> lock(link_->mutex);
    link_->timer = nullptr;
  }
  try {
    onTimer_.Clear();
    enabled_ = false;
    if (owner)
      UpdateTimer();
  } catch (...) {
  }
  if (!window)
    return;
  if (owner)
    platform::DestroyMessageWindow(window);
  else
    platform::SendWindowMessageTimeout(window, WM_TIMEREX_RELEASE, 0, 0, platform::kSendNormal,
                                       kControlWaitMs, nullptr);
}

bool TzetTimerEx::IsOwnerThread() const noexcept {
  return platform::CurrentThreadId() == ownerThread_;
}

void TzetTimerEx::UpdateTimer() {
  const platform::WindowHandle window = window_.load();
  if (!window)
    return;
  scheduler_->KillTimer(window, kTimerId);
  if (interval_ != 0 && enabled_ && onTimer_) {
    if (!scheduler_->SetTimer(window, kTimerId, interval_))
      throw EOutOfResources("Not enough timers available");
  }
}

void TzetTimerEx::SetEnabled(bool value) {
  const platform::WindowHandle window = window_.load();
  if (window && !IsOwnerThread()) {
    platform::SendNotifyWindowMessage(window, WM_TIMEREX_ENABLE, value ? 1 : 0, 0);
    return;
  }
  if (value != enabled_) {
    enabled_ = value;
    UpdateTimer();
  }
}

void TzetTimerEx::SetInterval(uint32_t value) {
  if (value != interval_) {
    interval_ = value;
    UpdateTimer();
  }
}

void TzetTimerEx::SetOnTimer(TTimerNotifyEvent value) {
  onTimer_ = std::move(value);
  UpdateTimer();
}

void TzetTimerEx::Timer() {
  // A copy: a handler that frees the timer frees the event with it.
  const TTimerNotifyEvent handler = onTimer_;
  if (handler)
    handler(this);
}

intptr_t TzetTimerEx::WindowProc(void* context, platform::WindowHandle window, uint32_t message,
                                 uintptr_t wParam, intptr_t lParam) {
  auto* holder = static_cast<std::shared_ptr<Link>*>(context);
  const std::shared_ptr<Link> link = *holder; // keeps the link alive for this call
  if (message == platform::kDestroyMessage) {
    delete holder;
    return 0;
  }
  if (message == WM_TIMEREX_RELEASE) {
    try {
      platform::DestroyMessageWindow(window);
    } catch (...) {
    }
    std::lock_guard<std::recursive_mutex> lock(link->mutex);
    if (link->timer)
      link->timer->window_ = 0;
    return 0;
  }
  if (message != platform::kTimerMessage && message != WM_TIMEREX_ENABLE)
    return platform::DefaultWindowProc(window, message, wParam, lParam);
  std::lock_guard<std::recursive_mutex> lock(link->mutex);
  TzetTimerEx* timer = link->timer;
  if (!timer)
    return 0;
  if (message == WM_TIMEREX_ENABLE) {
    timer->SetEnabled(wParam == 1);
    return 0;
  }
  try {
    timer->Timer(); // may free the timer; nothing below touches it
  } catch (...) {
    support::TheApplication().HandleException(std::current_exception());
  }
  return 0;
}

void FreeTimer(TzetTimerEx*& timer) noexcept {
  if (!timer)
    return;
  try {
    timer->SetEnabled(false);
  } catch (...) {
  }
  // The owner thread reads the event while it runs it. Another thread leaves the clearing to the
  // destruction, which does it once the window can no longer reach the timer: clearing it here
  // would race with that read (and taking the window's lock here would order it against the
  // caller's own locks, which the event may take too).
  if (timer->IsOwnerThread()) {
    try {
      timer->SetOnTimer({});
    } catch (...) {
    }
  }
  TzetTimerEx* t = timer;
  timer = nullptr;
  try {
    delete t;
  } catch (...) {
  }
}
