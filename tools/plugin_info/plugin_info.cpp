// Loads the plug-in library as a host does and prints what the host learns from its descriptor
// exports. Usage: plugin_info [LIBRARY]
#include "plugin_library.h"
#include "zet_plugin_abi.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : hostkit::DefaultLibraryName();
  hostkit::PluginLibrary lib;
  std::string error;
  if (!lib.Load(path, error)) {
    std::fprintf(stderr, "plugin_info: %s\n", error.c_str());
    return 2;
  }
  auto intfVersion = lib.Get<PFN_GetPluginIntfVersion>("GetPluginIntfVersion");
  auto moduleInfo = lib.Get<PFN_GetModuleInfo>("GetModuleInfo");
  auto description = lib.Get<PFN_GetModuleDescription>("GetModuleDescription");
  auto moduleType = lib.Get<PFN_GetModuleType>("GetModuleType");
  auto minVersion = lib.Get<PFN_GetAppMinVersion>("GetAppMinVersion");
  auto multiThread = lib.Get<PFN_MultiThreadSupport>("MultiThreadSupport");
  if (!intfVersion || !moduleInfo || !description || !moduleType || !minVersion || !multiThread) {
    std::fprintf(stderr, "plugin_info: %s lacks the descriptor exports of a plug-in\n",
                 path.c_str());
    return 2;
  }

  TPluginCallRec rec{};
  rec.RecordTag = ZET_RECORD_TAG;
  rec.ModuleHandle = 1;

  uint32_t required = 0;
  moduleInfo(&rec, nullptr, &required);
  std::vector<unsigned char> buffer(required < sizeof(TPluginModuleInfo) ? sizeof(TPluginModuleInfo)
                                                                         : required);
  auto* info = reinterpret_cast<TPluginModuleInfo*>(buffer.data());
  info->Size = static_cast<uint32_t>(buffer.size());
  const bool filled = moduleInfo(&rec, info, &required) != 0;

  const char* desc = description(&rec);
  std::printf("library:            %s\n", path.c_str());
  std::printf("description:        %s\n", desc ? desc : "(none)");
  std::printf("module type word:   0x%08X\n", static_cast<unsigned>(moduleType(&rec)));
  std::printf("interface version:  %d\n", static_cast<int>(intfVersion()));
  std::printf("minimum host:       %.1f\n", static_cast<double>(minVersion(&rec)));
  std::printf("multi-thread:       %s\n", multiThread(&rec) ? "yes" : "no");
  std::printf("module information: %s, %u bytes", filled ? "complete" : "incomplete",
              static_cast<unsigned>(required));
  if (filled && info->DescriptionLength)
    std::printf(", description \"%.*s\"", static_cast<int>(info->DescriptionLength),
                reinterpret_cast<const char*>(info->DescriptionText));
  std::printf("\n");

  rec.Action = ZET_ACTION_RELEASE; // the host releases the instance it made
  moduleType(&rec);
  return 0;
}
