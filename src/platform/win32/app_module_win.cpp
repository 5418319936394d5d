#include "platform/app_module.h"
#include "platform/win32/windows_include.h"

namespace platform {

uintptr_t FindLoadedModule(const std::string& name) {
  if (name.empty())
    return 0;
  return reinterpret_cast<uintptr_t>(::GetModuleHandleA(name.c_str()));
}

uintptr_t LoadMainIcon(uintptr_t module) {
  if (!module)
    return 0;
  return reinterpret_cast<uintptr_t>(::LoadIconA(reinterpret_cast<HMODULE>(module), "MAINICON"));
}

void DestroyIconHandle(uintptr_t icon) noexcept {
  if (icon)
    ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

} // namespace platform
