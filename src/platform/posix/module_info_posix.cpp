// On POSIX a module handle is a dlopen handle; shared objects carry no version resource.
#include "platform/module_info.h"

#include <dlfcn.h>
#include <link.h>

namespace platform {

std::string ModuleFileName(uintptr_t module) {
  if (module == 0) {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) && info.dli_fname)
      return info.dli_fname;
    return {};
  }
  link_map* map = nullptr;
  if (::dlinfo(reinterpret_cast<void*>(module), RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
    return map->l_name;
  return {};
}

std::optional<std::array<uint16_t, 4>> FileVersion(const std::string&) {
  return std::nullopt;
}

} // namespace platform
