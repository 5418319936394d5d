// A timer component that belongs to the thread that created it (unit zetTimerEx).
//
// The timer's window lives in the owner thread, and every timer-system call that matters happens
// there: other threads switch the timer on or off by sending the window WM_TIMEREX_ENABLE (they
// do not wait), and a timer destroyed by another thread asks the owner thread to switch it off
// and to destroy the window, waiting at most 5000 ms for each, so that a blocked owner thread
// cannot hang the destroying one. The events arrive in the owner thread while it processes
// messages. Interval and OnTimer are plain fields: changing them from another thread is the
// caller's risk. FreeTimer, which any thread may call, clears the event of a timer of another
// thread only once the window can no longer reach it.
//
// The period is measured by a TTimerScheduler: the system's window timer, or in tests a clock that
// the test advances.
#pragma once

#include "platform/message_pump.h"
#include "rtl/component.h"
#include "rtl/exceptions.h"
#include "rtl/published_event.h"

#include <atomic>
#include <cstdint>
#include <memory>

constexpr uint32_t WM_TIMEREX_ENABLE = 0x810;  // wParam 1 on, any other value off
constexpr uint32_t WM_TIMEREX_RELEASE = 0x811; // destroys the window

/// The system refused a timer.
class EOutOfResources : public rtl::Exception {
public:
  using Exception::Exception;
};

/// Starts and stops the periodic timer messages of a window of the calling thread.
class TTimerScheduler {
public:
  virtual ~TTimerScheduler() = default;
  /// Starts (or restarts) timer Id of Window with period Ms; false when refused.
  virtual bool SetTimer(platform::WindowHandle window, uintptr_t id, uint32_t ms) = 0;
  virtual void KillTimer(platform::WindowHandle window, uintptr_t id) = 0;
};
/// The system's window timers.
TTimerScheduler& SystemTimerScheduler();

using TTimerNotifyEvent = rtl::Event<void(TObject* sender)>;

class TzetTimerEx : public TComponent {
public:
  /// Creates the timer's window in the calling thread, which becomes the owner thread. Scheduler
  /// null: the system's timers.
  explicit TzetTimerEx(TComponent* owner, TTimerScheduler* scheduler = nullptr);
  ~TzetTimerEx() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  bool Enabled() const noexcept { return enabled_.load(); }
  void SetEnabled(bool value);
  uint32_t Interval() const noexcept { return interval_; }
  void SetInterval(uint32_t value);
  uint32_t OwnerThread() const noexcept { return ownerThread_; }
  const TTimerNotifyEvent& OnTimer() const noexcept { return onTimer_; }
  void SetOnTimer(TTimerNotifyEvent value);

  /// True when the calling thread is the owner thread.
  bool IsOwnerThread() const noexcept;
  platform::WindowHandle Window() const noexcept { return window_.load(); }

protected:
  /// Raises OnTimer when assigned; called on every period.
  virtual void Timer();

private:
  struct Link;
  static intptr_t WindowProc(void* context, platform::WindowHandle window, uint32_t message,
                             uintptr_t wParam, intptr_t lParam);
  void UpdateTimer();

  std::atomic<bool> enabled_{true};
  uint32_t interval_ = 1000;
  uint32_t ownerThread_ = 0;
  TTimerNotifyEvent onTimer_;
  std::atomic<platform::WindowHandle> window_{0};
  TTimerScheduler* scheduler_;
  std::shared_ptr<Link> link_;
};

/// Switches Timer off and clears its event (failures of each step swallowed), frees it and
/// clears the reference; nothing for a null reference.
void FreeTimer(TzetTimerEx*& timer) noexcept;
