#include "plugin_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace hostkit {

#ifdef _WIN32
bool PluginLibrary::Load(const std::string& path, std::string& error) {
  Unload();
  HMODULE h = ::LoadLibraryA(path.c_str());
  if (!h) {
    const DWORD code = ::GetLastError();
    const char* reason = code == ERROR_MOD_NOT_FOUND ? "the file or a library it needs is missing"
                         : code == ERROR_BAD_EXE_FORMAT
                             ? "not a library for this process (32-bit and 64-bit do not mix)"
                         : code == ERROR_DLL_INIT_FAILED ? "its start-up failed"
                                                         : "Windows error";
    error = "cannot load " + path + " (" + reason + ", " + std::to_string(code) + ")";
    return false;
  }
  handle_ = reinterpret_cast<void*>(h);
  return true;
}

void PluginLibrary::Unload() {
  if (handle_)
    ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

void* PluginLibrary::Symbol(const char* name) const {
  if (!handle_)
    return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

const char* DefaultLibraryName() {
  return "aggregation.dll";
}

std::string ProgramDirectory() {
  char path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path)
    return {};
  std::string s(path, n);
  const std::size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}
#else
bool PluginLibrary::Load(const std::string& path, std::string& error) {
  Unload();
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = ::dlerror();
    error = "cannot load " + path + " (" + (e ? e : "unknown error") + ")";
    return false;
  }
  return true;
}

void PluginLibrary::Unload() {
  if (handle_)
    ::dlclose(handle_);
  handle_ = nullptr;
}

void* PluginLibrary::Symbol(const char* name) const {
  return handle_ ? ::dlsym(handle_, name) : nullptr;
}

const char* DefaultLibraryName() {
  return "libaggregation.so";
}

std::string ProgramDirectory() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path)
    return {};
  std::string s(path, static_cast<std::size_t>(n));
  const std::size_t slash = s.rfind('/');
  return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}
#endif

} // namespace hostkit
