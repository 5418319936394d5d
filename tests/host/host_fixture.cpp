#include "host_fixture.h"

#include "scratch_folder.h"

#include <atomic>
#include <filesystem>
#include <fstream>
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
  static const std::string registry = test_support::ScratchFolder("agg-host-registry").string();
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

void IniFileHostTest::SetUp() {
  ini_ = std::filesystem::temp_directory_path() /
         ("agg-host-" + std::to_string(FreshHandle()) + ".ini");
}

void IniFileHostTest::TearDown() {
  for (uint32_t handle : handles_) {
    hostkit::HostList params;
    params.AddText("COMMAND", "UNLOAD");
    params.AddText("INI-FILE", ini_.string());
    RecordBytes unload;
    unload.Handle(handle).Params(params.Raw());
    X().ExecutePluginCommand(unload.Rec());
    RecordBytes release;
    release.Handle(handle).Action(ZET_ACTION_RELEASE);
    X().GetModuleType(release.Rec());
  }
  std::error_code ignored;
  std::filesystem::remove(ini_, ignored);
}

void IniFileHostTest::WriteIni(const std::string& common) {
  std::ofstream(ini_, std::ios::binary) << "[Common]\r\n" << common;
}

uint32_t IniFileHostTest::LoadWithItems(const char* items) {
  const uint32_t handle = FreshHandle();
  hostkit::HostList params;
  params.AddText("COMMAND", "LOAD");
  params.AddText("INI-FILE", ini_.string());
  RecordBytes r;
  r.Handle(handle).Params(params.Raw());
  EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), 0);
  handles_.push_back(handle);
  if (items) {
    hostkit::HostList set;
    set.AddText("COMMAND", "SET-ITEMS");
    set.AddText("ITEMS", items);
    RecordBytes s;
    s.Handle(handle).Params(set.Raw());
    EXPECT_EQ(X().ExecutePluginCommand(s.Rec()), 0);
  }
  return handle;
}
