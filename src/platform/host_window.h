// Messages to the host's message window: log text as WM_COPYDATA and the notices that are posted.
//
// A send waits until the window's thread has handled the message, at most kHostSendTimeoutMs,
// and gives up at once when that thread is hung. Only the call's own success value counts:
// true means the host took the message. A window of the calling thread is called directly.
#pragma once

#include "platform/message_pump.h"

#include <cstdint>
#include <string_view>

namespace platform {

/// Time-out of every send to the host window.
constexpr uint32_t kHostSendTimeoutMs = 1000;

/// Sends WM_COPYDATA (wParam, a CopyDataRecord with dwData and Bytes, no terminating zero) to
/// Window with the time-out; the record and the bytes live only during the send. True when the host
/// took it. Never raises.
bool SendCopyData(uintptr_t window, uintptr_t wParam, uintptr_t dwData,
                  std::string_view bytes) noexcept;

/// Posts Message to Window; when posting fails, sends it with the time-out instead. True when
/// either succeeded. Never raises.
bool PostOrSend(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) noexcept;

/// The two system calls behind the host window. Tests replace them to make sends and posts
/// fail or to watch them.
struct HostWindowCalls {
  /// Sends with abort-if-hung and the time-out; true on the call's own success.
  bool (*SendTimeout)(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                      uint32_t timeoutMs);
  /// Posts to the window's queue; true when the message was queued.
  bool (*Post)(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
};

/// The system's calls.
HostWindowCalls SystemHostWindowCalls() noexcept;

/// The system's own calls, one pair per platform (win32/host_window_win.cpp,
/// posix/host_window_posix.cpp).
bool SystemSendTimeout(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       uint32_t timeoutMs);
bool SystemPost(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
/// Installs Calls (a null member selects the system's call) and answers the calls before.
HostWindowCalls SetHostWindowCalls(const HostWindowCalls& calls) noexcept;

} // namespace platform
