#include "support/call_stack.h"

#include "platform/stack_trace.h"

#include <atomic>

namespace support {
namespace {
// Enough frames to reach from a handler through the frame to the export.
constexpr unsigned kStackFrames = 48;

std::atomic<TStackTextSource> gSource{nullptr};

// Not inlined, so that exactly its own frame can be left out of the text.
[[gnu::noinline]] std::string RawStackText() {
  if (TStackTextSource source = gSource.load(std::memory_order_acquire))
    return source();
  return platform::CurrentStackText(1, kStackFrames);
}
} // namespace

std::string GetCallStackText(std::string_view title) noexcept {
  try {
    std::string stack = RawStackText();
    if (stack.empty())
      return {};
    if (title.empty())
      return stack;
    std::string text;
    text.reserve(title.size() + 2 + stack.size());
    text.append(title).append("\r\n").append(stack);
    return text;
  } catch (...) {
    return {};
  }
}

void LogCallStack(std::string_view title, TCallStackSink sink, uintptr_t context) noexcept {
  try {
    const std::string text = GetCallStackText(title);
    if (text.empty() || !sink)
      return;
    sink(context, text);
  } catch (...) {
  }
}

TStackTextSource SetStackTextSource(TStackTextSource source) noexcept {
  return gSource.exchange(source, std::memory_order_acq_rel);
}

} // namespace support
