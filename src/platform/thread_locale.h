// The calling thread's locale identifier (an LCID such as 0x0409 or 0x0419), which the language
// files may change for the thread that translates.
#pragma once

#include <cstdint>

namespace platform {

uint32_t CurrentThreadLocale() noexcept;
/// Makes Locale the calling thread's locale; false when the system refuses it.
bool SetCurrentThreadLocale(uint32_t locale) noexcept;

} // namespace platform
