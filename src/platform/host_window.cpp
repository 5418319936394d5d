// The host window calls of both platforms: the timed WM_COPYDATA send, the post with its
// fallback to a timed send, and the seam through which tests replace the two system calls.
#include "platform/host_window.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<decltype(HostWindowCalls::SendTimeout)> gSendTimeout{&SystemSendTimeout};
std::atomic<decltype(HostWindowCalls::Post)> gPost{&SystemPost};
} // namespace

bool SendCopyData(uintptr_t window, uintptr_t wParam, uintptr_t dwData,
                  std::string_view bytes) noexcept {
  try {
    // CopyDataRecord has the layout of the system's COPYDATASTRUCT; the receiver only reads it.
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
