#include "support/message_pump.h"

#include "support/application.h"
#include "support/timeout.h"

namespace support {

bool PumpOne(platform::Message& msg) {
  if (!platform::PeekRemoveMessage(msg)) {
    msg = platform::Message{};
    return false;
  }
  if (msg.message == platform::kQuitMessage) {
    platform::PostQuit(static_cast<int32_t>(msg.wParam));
    return false;
  }
  if (msg.hwnd != 0) {
    try {
      platform::TranslateWindowMessage(msg);
      platform::DispatchWindowMessage(msg);
    } catch (...) {
      // A failing window procedure must not stop the pump or reach the caller.
    }
  }
  return true;
}

uint32_t ProcessMessages(uint32_t maxCount) {
  uint32_t count = 0;
  platform::Message msg;
  while (PumpOne(msg)) {
    ++count;
    if (count % 10 == 0)
      platform::SleepMs(0);
    if (maxCount > 0 && count >= maxCount)
      break;
  }
  return count;
}

bool IsApplicationTerminated() {
  return TheApplication().Terminated();
}

namespace {

// 1 when every flag is set and true, 0 at the first false flag, -1 at the first null pointer.
int FlagsState(std::span<const std::atomic<bool>* const> flags) {
  for (const std::atomic<bool>* flag : flags) {
    if (!flag)
      return -1;
    if (!flag->load(std::memory_order_acquire))
      return 0;
  }
  return 1;
}

void PumpCallerThread() {
  if (platform::IsLoaderThread())
    TheApplication().ProcessMessages();
  else
    ProcessMessages(0);
}

} // namespace

bool WaitForFlags(uint32_t timeoutMs, std::span<const std::atomic<bool>* const> flags,
                  TWaitForFlagsOptions options, const TWaitPacing& pacing) {
  // Flags that are clear at once need no clock: the usual case of a data call.
  const int initial = FlagsState(flags);
  if (initial < 1)
    return initial == 0;
  TzetTimeout timeout;
  StartTimeout(timeout, timeoutMs);
  const bool pump = (options & wfNoPump) == 0;
  bool first = true;
  int state;
  for (;;) {
    state = FlagsState(flags);
    if (!first) {
      if (pump) {
        try {
          if (pacing.pump)
            pacing.pump();
          else
            PumpCallerThread();
        } catch (...) {
        }
      }
      if (pacing.sleep)
        pacing.sleep(pacing.pollMs);
      else
        platform::SleepMs(pacing.pollMs);
    }
    first = false;
    if (state < 1)
      break;
    if (timeoutMs > 0 && TimeoutExpiredNow(timeout))
      break;
    if ((options & wfIgnoreTerminated) == 0 && IsApplicationTerminated())
      break;
  }
  return state == 0;
}

bool WaitForFlags(uint32_t timeoutMs, std::initializer_list<const std::atomic<bool>*> flags,
                  TWaitForFlagsOptions options, const TWaitPacing& pacing) {
  return WaitForFlags(timeoutMs,
                      std::span<const std::atomic<bool>* const>(flags.begin(), flags.size()),
                      options, pacing);
}

} // namespace support
