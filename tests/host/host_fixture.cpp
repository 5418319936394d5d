#include "host_fixture.h"

#include <atomic>
#include <filesystem>
#ifndef _WIN32
#include <cstdlib>
#include <unistd.h>
#endif
#include <string>

namespace {
hostkit::PluginLibrary* gLibrary = nullptr;
Exports gExports{};
std::atomic<uint32_t> gNextHandle{1000};

template <typename Fn> void Resolve(Fn& fn, const char* name) {
  fn = gLibrary->Get<Fn>(name);
  ASSERT_NE(fn, nullptr) << "missing export " << name;
}
} // namespace

void HostTest::SetUpTestSuite() {
  if (gLibrary)
    return;
#ifndef _WIN32
  // The library's stand-in registry of this run lives in a private folder.
  static const std::string registry =
      (std::filesystem::temp_directory_path() / ("agg-host-registry-" + std::to_string(::getpid())))
          .string();
  ::setenv("AGG_REGISTRY_DIR", registry.c_str(), 1);
#endif
  gLibrary = new hostkit::PluginLibrary();
  std::string error;
  ASSERT_TRUE(gLibrary->Load(AGG_LIBRARY, error)) << error;
  Resolve(gExports.GetPluginIntfVersion, "GetPluginIntfVersion");
  Resolve(gExports.GetModuleInfo, "GetModuleInfo");
  Resolve(gExports.GetAppMinVersion, "GetAppMinVersion");
  Resolve(gExports.GetModuleDescription, "GetModuleDescription");
  Resolve(gExports.GetModuleType, "GetModuleType");
  Resolve(gExports.MultiThreadSupport, "MultiThreadSupport");
  Resolve(gExports.GetCustomCommands, "GetCustomCommands");
  Resolve(gExports.ExecutePluginCommand, "ExecutePluginCommand");
  Resolve(gExports.ShowOptionsDialog, "ShowOptionsDialog");
  Resolve(gExports.ProcessData, "ProcessData");
  Resolve(gExports.GetData, "GetData");
  Resolve(gExports.GetEvents, "GetEvents");
  Resolve(gExports.GetLogEx, "GetLogEx");
  Resolve(gExports.madTraceProcess, "madTraceProcess");
}

void HostTest::TearDownTestSuite() {}

hostkit::PluginLibrary& HostTest::Library() {
  return *gLibrary;
}
const Exports& HostTest::X() {
  return gExports;
}
uint32_t HostTest::FreshHandle() {
  return gNextHandle++;
}
