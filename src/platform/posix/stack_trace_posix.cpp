// The stack of the calling thread through the C library's backtrace() and the loader's dladdr().
#include "platform/stack_trace.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {
namespace {
constexpr unsigned kMaxFrames = 256;

std::string FrameText(void* address) {
  char buffer[512];
  const auto pc = reinterpret_cast<uintptr_t>(address);
  Dl_info info{};
  if (::dladdr(address, &info) && info.dli_fname && info.dli_fbase) {
    const char* name = std::strrchr(info.dli_fname, '/');
    name = name ? name + 1 : info.dli_fname;
    std::snprintf(buffer, sizeof buffer, "%s+0x%" PRIxPTR, name,
                  pc - reinterpret_cast<uintptr_t>(info.dli_fbase));
  } else {
    std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, pc);
  }
  return buffer;
}
} // namespace

std::string CurrentStackText(unsigned skipFrames, unsigned maxFrames) noexcept {
  try {
    const unsigned skip = std::min(skipFrames, kMaxFrames) + 1; // this function's own frame
    const unsigned wanted = std::min(maxFrames, kMaxFrames);
    if (wanted == 0)
      return {};
    std::vector<void*> frames(skip + wanted);
    const int got = ::backtrace(frames.data(), static_cast<int>(frames.size()));
    std::string text;
    for (int i = static_cast<int>(skip); i < got; ++i) {
      if (!text.empty())
        text += "\r\n";
      text += FrameText(frames[i]);
    }
    return text;
  } catch (...) {
    return {};
  }
}

} // namespace platform
