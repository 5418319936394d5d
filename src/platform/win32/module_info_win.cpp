#include "platform/module_info.h"
#include "platform/win32/windows_include.h"

#include <vector>

namespace platform {
namespace {
HMODULE ThisModule() {
  HMODULE self = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &self);
  return self;
}
} // namespace

std::string ModuleFileName(uintptr_t module) {
  HMODULE h = module ? reinterpret_cast<HMODULE>(module) : ThisModule();
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameA(h, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0)
      return {};
    if (n < buf.size())
      return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::optional<std::array<uint16_t, 4>> FileVersion(const std::string& fileName) {
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
  if (size == 0)
    return std::nullopt;
  std::vector<char> data(size);
  if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, data.data()))
    return std::nullopt;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) || !info ||
      len < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  return std::array<uint16_t, 4>{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                                 HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

} // namespace platform
