// Without a system debugger channel, debugger output goes to stderr on request only: library
// code must not write to a host's console by default.
#include "platform/debug_output.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {
namespace {
std::atomic<DebugOutputHook> gHook{nullptr};

bool Requested() noexcept {
  const char* value = std::getenv("AGG_DEBUG_OUTPUT");
  return value && *value;
}
} // namespace

void DebugOutput(std::string_view text) noexcept {
  if (DebugOutputHook hook = gHook.load(std::memory_order_acquire)) {
    try {
      hook(text);
    } catch (...) {
    }
    return;
  }
  if (!Requested())
    return;
  try {
    // One write per message keeps the lines of concurrent writers apart.
    std::string line(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
  } catch (...) {
  }
}

DebugOutputHook SetDebugOutputHook(DebugOutputHook hook) noexcept {
  return gHook.exchange(hook, std::memory_order_acq_rel);
}

} // namespace platform
