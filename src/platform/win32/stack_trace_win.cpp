// The stack of the calling thread through RtlCaptureStackBackTrace; each return address is named
// by the module that holds it and its offset from the module's base.
#include "platform/stack_trace.h"
#include "platform/win32/windows_include.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace platform {
namespace {
// FramesToSkip + FramesToCapture must stay below 63 on older systems.
constexpr unsigned kMaxCapture = 62;

std::string FrameText(void* address) {
  char buffer[MAX_PATH + 40];
  const auto pc = reinterpret_cast<uintptr_t>(address);
  HMODULE module = nullptr;
  char path[MAX_PATH];
  if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module) &&
      module) {
    const DWORD n = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      const char* name = path;
      for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
          name = p + 1;
      std::snprintf(buffer, sizeof buffer, "%s+0x%" PRIxPTR, name,
                    pc - reinterpret_cast<uintptr_t>(module));
      return buffer;
    }
  }
  std::snprintf(buffer, sizeof buffer, "0x%" PRIxPTR, pc);
  return buffer;
}
} // namespace

std::string CurrentStackText(unsigned skipFrames, unsigned maxFrames) noexcept {
  try {
    const unsigned skip = std::min(skipFrames, kMaxCapture - 1) + 1; // this function's own frame
    const unsigned wanted = std::min(maxFrames, kMaxCapture - skip);
    if (wanted == 0)
      return {};
    void* frames[kMaxCapture];
    const USHORT got = ::RtlCaptureStackBackTrace(static_cast<DWORD>(skip),
                                                  static_cast<DWORD>(wanted), frames, nullptr);
    std::string text;
    for (USHORT i = 0; i < got; ++i) {
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
