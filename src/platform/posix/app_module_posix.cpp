// Shared objects carry no icon resources: the stand-in finds loaded modules and has no icons.
#include "platform/app_module.h"

#include <dlfcn.h>

namespace platform {

uintptr_t FindLoadedModule(const std::string& name) {
  if (name.empty())
    return 0;
  void* h = ::dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h)
    ::dlclose(h); // RTLD_NOLOAD took a reference; the module stays loaded by its owner
  return reinterpret_cast<uintptr_t>(h);
}

uintptr_t LoadMainIcon(uintptr_t) {
  return 0;
}

void DestroyIconHandle(uintptr_t) noexcept {}

} // namespace platform
