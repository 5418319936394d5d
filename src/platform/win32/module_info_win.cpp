#include "platform/module_info.h"
#include "platform/win32/window_class_win.h"
#include "platform/win32/windows_include.h"

#include <cstdio>
#include <vector>

namespace platform {
namespace {

template <typename Fn> Fn Kernel32Entry(const char* name) {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (!kernel)
    return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
}

// The WOW64 entry points, looked up once when the library is loaded; each may be missing.
struct Wow64Entries {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using RevertFn = BOOL(WINAPI*)(PVOID);

  IsWow64ProcessFn isWow64Process = Kernel32Entry<IsWow64ProcessFn>("IsWow64Process");
  DisableFn disable = Kernel32Entry<DisableFn>("Wow64DisableWow64FsRedirection");
  RevertFn revert = Kernel32Entry<RevertFn>("Wow64RevertWow64FsRedirection");
};

const Wow64Entries& Wow64() {
  static const Wow64Entries entries;
  return entries;
}
// Makes the look-up happen at library load rather than at the first use.
[[maybe_unused]] const Wow64Entries& g_wow64AtLoad = Wow64();

std::string QueryString(const std::vector<char>& data, unsigned language, unsigned codePage,
                        const char* name) {
  char block[64];
  std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
  char* text = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(data.data(), block, reinterpret_cast<void**>(&text), &length) || !text ||
      length == 0)
    return {};
  // The length counts characters including the terminating zero; trust the zero, not the count.
  return std::string(text, ::strnlen(text, length));
}

} // namespace

char PathDelimiter() noexcept {
  return '\\';
}

std::string ModuleFileName(uintptr_t module) {
  ScopedWow64RedirectionOff redirectionOff;
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

std::string ExecutableFileName() {
  return ModuleFileName(reinterpret_cast<uintptr_t>(::GetModuleHandleA(nullptr)));
}

std::optional<FileVersionInfo> ReadFileVersionInfo(const std::string& fileName) {
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
  if (size == 0)
    return std::nullopt;
  std::vector<char> data(size);
  if (!::GetFileVersionInfoA(fileName.c_str(), 0, size, data.data()))
    return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || !fixed ||
      len < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  FileVersionInfo info;
  info.Version = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  // The translation table lists language and code page pairs; the first names the strings.
  WORD* translation = nullptr;
  if (::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translation), &len) &&
      translation && len >= 2 * sizeof(WORD)) {
    info.ProductName = QueryString(data, translation[0], translation[1], "ProductName");
    info.FileDescription = QueryString(data, translation[0], translation[1], "FileDescription");
  }
  return info;
}

std::optional<std::array<uint16_t, 4>> FileVersion(const std::string& fileName) {
  if (auto info = ReadFileVersionInfo(fileName))
    return info->Version;
  return std::nullopt;
}

bool IsWow64Process() noexcept {
  BOOL wow64 = FALSE;
  auto query = Wow64().isWow64Process;
  return query && query(::GetCurrentProcess(), &wow64) && wow64;
}

ScopedWow64RedirectionOff::ScopedWow64RedirectionOff() noexcept {
  const Wow64Entries& entries = Wow64();
  if (entries.disable && entries.revert && IsWow64Process())
    active_ = entries.disable(&cookie_) != FALSE;
}

ScopedWow64RedirectionOff::~ScopedWow64RedirectionOff() {
  if (active_)
    Wow64().revert(cookie_);
}

} // namespace platform
