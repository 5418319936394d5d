// The host window of the POSIX stand-in: a message window of the in-process window table. A send
// to a window of another thread waits until that thread's pump has run the procedure or the
// time-out has passed; a window of the calling thread is called directly; an unknown handle
// fails at once.
#include "platform/host_window.h"

#include <atomic>

namespace platform {
namespace {
bool SystemSendTimeout(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       uint32_t timeoutMs) {
  intptr_t answer = 0;
  return SendWindowMessageTimeout(window, message, wParam, lParam, kSendAbortIfHung, timeoutMs,
                                  &answer);
}

bool SystemPost(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostWindowMessage(window, message, wParam, lParam);
}

std::atomic<decltype(HostWindowCalls::SendTimeout)> gSendTimeout{&SystemSendTimeout};
std::atomic<decltype(HostWindowCalls::Post)> gPost{&SystemPost};
} // namespace

bool SendCopyData(uintptr_t window, uintptr_t wParam, uintptr_t dwData,
                  std::string_view bytes) noexcept {
  try {
    const CopyDataRecord record{dwData, static_cast<uint32_t>(bytes.size()), bytes.data()};
    return gSendTimeout.load(std::memory_order_acquire)(
        window, kCopyDataMessage, wParam, reinterpret_cast<intptr_t>(&record), kHostSendTimeoutMs);
  } catch (...) {
    return false;
  }
}

bool PostOrSend(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) noexcept {
  try {
    if (gPost.load(std::memory_order_acquire)(window, message, wParam, lParam))
      return true;
    return gSendTimeout.load(std::memory_order_acquire)(window, message, wParam, lParam,
                                                        kHostSendTimeoutMs);
  } catch (...) {
    return false;
  }
}

HostWindowCalls SystemHostWindowCalls() noexcept {
  return {&SystemSendTimeout, &SystemPost};
}

HostWindowCalls SetHostWindowCalls(const HostWindowCalls& calls) noexcept {
  HostWindowCalls before;
  before.SendTimeout =
      gSendTimeout.exchange(calls.SendTimeout ? calls.SendTimeout : &SystemSendTimeout);
  before.Post = gPost.exchange(calls.Post ? calls.Post : &SystemPost);
  return before;
}

} // namespace platform
