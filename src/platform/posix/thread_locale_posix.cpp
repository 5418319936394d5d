// The stand-in keeps the identifier per thread; a new thread starts in English (United States),
// the locale of the stand-in's Windows-1252 code page.
#include "platform/thread_locale.h"

namespace platform {
namespace {
thread_local uint32_t tLocale = 0x0409;
}

uint32_t CurrentThreadLocale() noexcept {
  return tLocale;
}

bool SetCurrentThreadLocale(uint32_t locale) noexcept {
  if (locale == 0)
    return false;
  tLocale = locale;
  return true;
}

} // namespace platform
