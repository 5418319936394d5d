// The host application's module: finding a loaded module by name and its "MAINICON" icon.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

/// The handle of a module of that name already loaded in the process, or 0.
uintptr_t FindLoadedModule(const std::string& name);
/// The icon resource "MAINICON" of a module, or 0 when it has none.
uintptr_t LoadMainIcon(uintptr_t module);
/// Destroys an icon from LoadMainIcon; failures are ignored.
void DestroyIconHandle(uintptr_t icon) noexcept;

} // namespace platform
