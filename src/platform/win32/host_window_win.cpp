#include "platform/host_window.h"
#include "platform/win32/windows_include.h"

#include <atomic>
#include <cstddef>

namespace platform {

static_assert(sizeof(CopyDataRecord) == sizeof(COPYDATASTRUCT));
static_assert(offsetof(CopyDataRecord, dwData) == offsetof(COPYDATASTRUCT, dwData));
static_assert(offsetof(CopyDataRecord, cbData) == offsetof(COPYDATASTRUCT, cbData));
static_assert(offsetof(CopyDataRecord, lpData) == offsetof(COPYDATASTRUCT, lpData));

namespace {
bool SystemSendTimeout(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       uint32_t timeoutMs) {
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutA(reinterpret_cast<HWND>(window), message, wParam, lParam,
                               SMTO_ABORTIFHUNG, timeoutMs, &answer) != 0;
}

bool SystemPost(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return ::PostMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam) != FALSE;
}

std::atomic<decltype(HostWindowCalls::SendTimeout)> gSendTimeout{&SystemSendTimeout};
std::atomic<decltype(HostWindowCalls::Post)> gPost{&SystemPost};
} // namespace

bool SendCopyData(uintptr_t window, uintptr_t wParam, uintptr_t dwData,
                  std::string_view bytes) noexcept {
  try {
    COPYDATASTRUCT record{};
    record.dwData = dwData;
    record.cbData = static_cast<DWORD>(bytes.size());
    record.lpData = const_cast<char*>(bytes.data()); // the receiver only reads it
    return gSendTimeout.load(std::memory_order_acquire)(
        window, WM_COPYDATA, wParam, reinterpret_cast<LPARAM>(&record), kHostSendTimeoutMs);
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
