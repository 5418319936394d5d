#include "platform/thread_locale.h"
#include "platform/win32/windows_include.h"

namespace platform {

uint32_t CurrentThreadLocale() noexcept {
  return ::GetThreadLocale();
}

bool SetCurrentThreadLocale(uint32_t locale) noexcept {
  return ::SetThreadLocale(locale) != 0;
}

} // namespace platform
