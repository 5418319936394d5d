#include "platform/debug_output.h"
#include "platform/win32/windows_include.h"

#include <atomic>
#include <string>

namespace platform {
namespace {
std::atomic<DebugOutputHook> gHook{nullptr};
} // namespace

void DebugOutput(std::string_view text) noexcept {
  if (DebugOutputHook hook = gHook.load(std::memory_order_acquire)) {
    try {
      hook(text);
    } catch (...) {
    }
    return;
  }
  try {
    const std::string message(text); // OutputDebugStringA needs a terminating zero
    ::OutputDebugStringA(message.c_str());
  } catch (...) {
  }
}

DebugOutputHook SetDebugOutputHook(DebugOutputHook hook) noexcept {
  return gHook.exchange(hook, std::memory_order_acq_rel);
}

} // namespace platform
