#include "platform/html_help.h"
#include "platform/module_info.h"
#include "platform/win32/windows_include.h"

namespace platform {

namespace {
using HtmlHelpAFn = HWND(WINAPI*)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);
using SystemWow64DirectoryFn = UINT(WINAPI*)(LPSTR buffer, UINT size);
} // namespace

std::string SystemLibraryFolder() {
  char buffer[MAX_PATH + 1] = {};
  UINT length = 0;
  if (IsWow64Process()) {
    // Looked up by name: systems without WOW64 lack the call.
    auto query = reinterpret_cast<SystemWow64DirectoryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetSystemWow64DirectoryA")));
    if (query)
      length = query(buffer, sizeof buffer);
    else
      length = ::GetSystemDirectoryA(buffer, sizeof buffer);
  } else {
    length = ::GetSystemDirectoryA(buffer, sizeof buffer);
  }
  if (length == 0 || length >= sizeof buffer)
    return {};
  return std::string(buffer, length);
}

uintptr_t ActiveWindow() noexcept {
  return reinterpret_cast<uintptr_t>(::GetActiveWindow());
}

std::unique_ptr<HtmlHelpControl> HtmlHelpControl::Load(const std::string& fileName) {
  HMODULE module = ::LoadLibraryA(fileName.c_str());
  if (!module)
    return nullptr;
  void* entryA = reinterpret_cast<void*>(::GetProcAddress(module, "HtmlHelpA"));
  void* entryW = reinterpret_cast<void*>(::GetProcAddress(module, "HtmlHelpW"));
  if (!entryA || !entryW) {
    ::FreeLibrary(module);
    return nullptr;
  }
  return std::unique_ptr<HtmlHelpControl>(
      new HtmlHelpControl(reinterpret_cast<uintptr_t>(module), entryA));
}

HtmlHelpControl::~HtmlHelpControl() {
  ::FreeLibrary(reinterpret_cast<HMODULE>(module_));
}

uintptr_t HtmlHelpControl::Call(uintptr_t caller, const char* file, uint32_t command,
                                uintptr_t data) const {
  auto htmlHelp = reinterpret_cast<HtmlHelpAFn>(htmlHelpA_);
  return reinterpret_cast<uintptr_t>(
      htmlHelp(reinterpret_cast<HWND>(caller), file, command, static_cast<DWORD_PTR>(data)));
}

} // namespace platform
