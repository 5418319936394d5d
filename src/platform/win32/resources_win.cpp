// Embedded resources as RCDATA of the module that contains this code (the plug-in library, or a
// test program linked with the core). Texts registered at run time answer names the module lacks.
#include "platform/resources.h"
#include "platform/win32/windows_include.h"

#include <list>
#include <map>
#include <mutex>
#include <string>

namespace platform {
namespace {

struct RegisteredResources {
  std::mutex lock;
  std::list<std::string> texts;
  std::map<std::string, std::string_view> byName;
};

RegisteredResources& Table() {
  static RegisteredResources table;
  return table;
}

std::string Key(const char* name) {
  std::string key = name ? name : "";
  if (!key.empty())
    ::CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

HMODULE OwnModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
  return module;
}

} // namespace

void RegisterEmbeddedResource(const char* name, std::string_view text) {
  RegisteredResources& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  t.texts.emplace_back(text);
  t.byName[Key(name)] = t.texts.back();
}

std::string_view LoadRcData(const char* name) {
  if (!name || !*name)
    return {};
  // Resource compilers store names in upper case; the form build step does so too.
  std::string key = Key(name);
  HMODULE module = OwnModule();
  if (HRSRC info = ::FindResourceA(module, key.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */)) {
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (data)
      return {static_cast<const char*>(data), ::SizeofResource(module, info)};
  }
  RegisteredResources& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.byName.find(key);
  return it == t.byName.end() ? std::string_view() : it->second;
}

} // namespace platform
