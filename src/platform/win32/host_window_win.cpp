#include "platform/host_window.h"
#include "platform/win32/windows_include.h"

#include <cstddef>

namespace platform {

static_assert(sizeof(CopyDataRecord) == sizeof(COPYDATASTRUCT));
static_assert(offsetof(CopyDataRecord, dwData) == offsetof(COPYDATASTRUCT, dwData));
static_assert(offsetof(CopyDataRecord, cbData) == offsetof(COPYDATASTRUCT, cbData));
static_assert(offsetof(CopyDataRecord, lpData) == offsetof(COPYDATASTRUCT, lpData));

bool SystemSendTimeout(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       uint32_t timeoutMs) {
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutA(reinterpret_cast<HWND>(window), message, wParam, lParam,
                               SMTO_ABORTIFHUNG, timeoutMs, &answer) != 0;
}

bool SystemPost(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return ::PostMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam) != FALSE;
}

static_assert(kCopyDataMessage == WM_COPYDATA);

} // namespace platform
