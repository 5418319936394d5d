// On POSIX a module handle is a dlopen handle; shared objects carry no version resource and there
// is no file-system redirection.
#include "platform/module_info.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

namespace platform {

char PathDelimiter() noexcept {
  return '/';
}

std::string ModuleFileName(uintptr_t module) {
  if (module == 0) {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) || !info.dli_fname)
      return {};
    // Code linked into the program itself reports the name the program was started by, which
    // may be relative or found through PATH; the kernel knows the real file.
    if (std::strcmp(info.dli_fname, program_invocation_name) == 0 || !*info.dli_fname) {
      char path[PATH_MAX];
      const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
      if (n > 0)
        return std::string(path, static_cast<std::size_t>(n));
    }
    return info.dli_fname;
  }
  link_map* map = nullptr;
  if (::dlinfo(reinterpret_cast<void*>(module), RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
    return map->l_name;
  return {};
}

std::string ExecutableFileName() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

std::optional<FileVersionInfo> ReadFileVersionInfo(const std::string&) {
  return std::nullopt;
}

std::optional<std::array<uint16_t, 4>> FileVersion(const std::string&) {
  return std::nullopt;
}

bool IsWow64Process() noexcept {
  return false;
}

ScopedWow64RedirectionOff::ScopedWow64RedirectionOff() noexcept = default;
ScopedWow64RedirectionOff::~ScopedWow64RedirectionOff() = default;

} // namespace platform
