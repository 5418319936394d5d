// The host window of the POSIX stand-in: a message window of the in-process window table. A send
// to a window of another thread waits until that thread's pump has run the procedure or the
// time-out has passed; a window of the calling thread is called directly; an unknown handle
// fails at once.
#include "platform/host_window.h"

namespace platform {

bool SystemSendTimeout(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       uint32_t timeoutMs) {
  intptr_t answer = 0;
  return SendWindowMessageTimeout(window, message, wParam, lParam, kSendAbortIfHung, timeoutMs,
                                  &answer);
}

bool SystemPost(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostWindowMessage(window, message, wParam, lParam);
}

} // namespace platform
