#include "plugin_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hostkit {

#ifdef _WIN32
bool PluginLibrary::Load(const std::string& path, std::string& error) {
  Unload();
  HMODULE h = ::LoadLibraryA(path.c_str());
  if (!h) {
    error = "cannot load " + path + " (Windows error " + std::to_string(::GetLastError()) + ")";
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
#endif

} // namespace hostkit
