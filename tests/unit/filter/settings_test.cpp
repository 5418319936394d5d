// The aggregation settings object through the module's settings location: an INI file named by
// LOAD, read into TDataSourceCfg and applied to the engine, and written back by a save.
#include "filter/aggregation_plugin.h"
#include "filter/aggregation_settings.h"
#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "platform/environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

class AggregationSettings : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static const std::string dir = (std::filesystem::temp_directory_path() /
                                    ("agg-settings-reg-" + std::to_string(std::random_device{}())))
                                       .string();
    platform::SetEnvVar("AGG_REGISTRY_DIR", dir);
  }
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(TaPlugin::ClassRef());
    ini_ = std::filesystem::temp_directory_path() /
           ("agg-settings-" + std::to_string(std::random_device{}()) + ".ini");
  }
  void TearDown() override {
    frame::LibraryEnd();
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  /// Writes the INI file with the lines of section [Common] and loads an instance from it.
  TaPlugin* LoadFrom(const std::string& commonLines) {
    std::ofstream(ini_, std::ios::binary) << "[Common]\r\n" << commonLines;
    EXPECT_EQ(Command("LOAD"), 0);
    TPluginCallRec r = Rec(nullptr);
    TzetPlugin* p = nullptr;
    EXPECT_TRUE(frame::FindInstance(&r, p, false));
    return static_cast<TaPlugin*>(p);
  }
  int32_t Command(const char* word) {
    TzetParamsList params;
    params.Add("COMMAND", rtl::Variant::FromAnsiText(word));
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params);
    return frame::ExecutePluginCommand(&r);
  }
  TPluginCallRec Rec(void* params) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = 91;
    r.Params = params ? params : &params_;
    r.ModuleTypes = ZET_MTT_FILTER;
    return r;
  }
  int32_t Send(const char* name, int32_t value) {
    TzetParamsList packet;
    packet.Add(name, rtl::Variant::Int32(value));
    TPluginCallRec r = Rec(nullptr);
    r.Input.Kind = ZET_KIND_LIST;
    r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
    return frame::ProcessData(&r);
  }
  std::string IniText() const {
    std::ifstream in(ini_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path ini_;
  TzetParamsList params_;
};

int32_t ConfiguredCount(TaPlugin& module) {
  return module.AggregationList->Count();
}

TEST_F(AggregationSettings, StoreWithoutKeysGivesDefaultsAndNoVariable) {
  TaPlugin* module = LoadFrom("");
  ASSERT_NE(module, nullptr);
  ASSERT_NE(module->Cfg, nullptr);
  EXPECT_EQ(module->Cfg->Left, 314);
  EXPECT_EQ(module->Cfg->Top, 184);
  EXPECT_EQ(module->Cfg->Width, 389);
  EXPECT_EQ(module->Cfg->Height, 300);
  EXPECT_FALSE(module->Cfg->chkNoReset_Checked);
  EXPECT_FALSE(
      module->Engine->Options().Active()); // a store without the advanced keys: every option off
  EXPECT_EQ(module->Engine->Options().MaxGroups, 256u);
  EXPECT_EQ(ConfiguredCount(*module), 0);
  EXPECT_EQ(module->Engine->TimeoutMs(), 0u);
  EXPECT_EQ(Send("A", 1), 0); // no variable: no row, no "nothing done" either
  EXPECT_EQ(Command("UNLOAD"), 0);
}

TEST_F(AggregationSettings, OnlyVar3SetAndAFractionalTimeoutReachTheEngine) {
  TaPlugin* module = LoadFrom("Var1=\r\nVar3=C\r\nTimeout=250.75\r\nHeight=500\r\nLeft=12\r\n");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ConfiguredCount(*module), 1);
  EXPECT_EQ(module->Engine->TimeoutMs(), 250u);
  EXPECT_EQ(module->Cfg->Left, 12);
  EXPECT_EQ(module->Cfg->Height, 300); // not in the property map: never loaded
  EXPECT_EQ(Send("c", 1), 0);          // the one variable completes a row
  EXPECT_EQ(module->OutputRows->Count(), 2);
  EXPECT_EQ(Command("UNLOAD"), 0);
}

TEST_F(AggregationSettings, SaveWritesThePositionButNeverTheHeight) {
  TaPlugin* module = LoadFrom("Var1=A\r\nNo reset=True\r\n");
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(module->Cfg->chkNoReset_Checked);
  module->Cfg->Left = 21;
  module->Cfg->Top = 22;
  module->Cfg->Width = 423;
  module->Cfg->Height = 777;
  module->Cfg->Save();
  const std::string text = IniText();
  EXPECT_NE(text.find("Left=21"), std::string::npos) << text;
  EXPECT_NE(text.find("Top=22"), std::string::npos) << text;
  EXPECT_NE(text.find("Width=423"), std::string::npos) << text;
  EXPECT_EQ(text.find("Height"), std::string::npos) << text;

  TDataSourceCfg fresh(module);
  fresh.Load();
  EXPECT_EQ(fresh.Left, 21);
  EXPECT_EQ(fresh.Width, 423);
  EXPECT_EQ(fresh.Height, 300);
  EXPECT_EQ(fresh.Vars[0], "A");
  EXPECT_EQ(Command("UNLOAD"), 0);
}

TEST_F(AggregationSettings, AdvancedOptionsAreReadConvertedAndWrittenBack) {
  TaPlugin* module =
      LoadFrom("Var1=A\r\nNo reset=True\r\nRelease partial rows=True\r\nAge limit=1500.9\r\n"
               "Value lifetime=-1\r\nGroup by= STATion \r\nMax groups=0\r\n");
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(module->Cfg->chkPartial_Checked);
  EXPECT_EQ(module->Cfg->cbGroupBy_Text, "STATion");
  const TAggregationOptions& options = module->Engine->Options();
  EXPECT_TRUE(options.Partial);
  EXPECT_EQ(options.AgeMs, 1500u);
  EXPECT_EQ(options.LifetimeMs, 4294967295u);
  EXPECT_EQ(options.GroupByLower, "station");
  EXPECT_EQ(options.MaxGroups, 1u);

  module->Cfg->spMaxGroups_Value = 100000;
  module->Cfg->chkNoReset_Checked = false;
  module->Cfg->Save();
  const std::string text = IniText();
  for (const char* line : {"Release partial rows=True", "Age limit=1500.9", "Value lifetime=-1",
                           "Group by=STATion", "Max groups=100000"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  TDataSourceCfg fresh(module);
  fresh.Load();
  EXPECT_EQ(fresh.spMaxGroups_Value, 100000);
  EXPECT_EQ(module->Engine->Options().MaxGroups, 65536u);
  EXPECT_EQ(module->Engine->Options().LifetimeMs, 0u); // a lifetime counts only without reset
  EXPECT_EQ(Command("UNLOAD"), 0);
}

// What a save leaves: the documented keys, and an advanced option only while it is off its
// default; a key from an earlier save goes when its option returns to the default.
TEST_F(AggregationSettings, AdvancedOptionsAtTheirDefaultsLeaveNoKey) {
  TaPlugin* module = LoadFrom("Var1=A\r\nAge limit=700\r\nGroup by=Station\r\nMax groups=16\r\n"
                              "Release partial rows=True\r\nValue lifetime=5\r\n");
  ASSERT_NE(module, nullptr);
  const auto keys = [this] {
    std::istringstream lines(IniText());
    std::string line, found;
    while (std::getline(lines, line))
      if (const std::size_t eq = line.find('='); eq != std::string::npos)
        found += line.substr(0, eq) + ";";
    return found;
  };
  module->Cfg->spAgeLimit_Value = 0;
  module->Cfg->cbGroupBy_Text.clear();
  module->Cfg->chkPartial_Checked = false;
  module->Cfg->spLifetime_Value = 0;
  module->Cfg->Save();
  const std::string documented =
      "Left;Top;Width;Var2;Var3;Var4;Var5;Var6;Var7;Var8;Timeout;No reset;";
  EXPECT_EQ(keys(), "Var1;Max groups;" + documented);
  module->Cfg->spMaxGroups_Value = 256;
  module->Cfg->Save();
  EXPECT_EQ(keys(), "Var1;" + documented);
  EXPECT_EQ(Command("UNLOAD"), 0);
}

// "Keep pending rows": half a row sent before an UNLOAD (or before the library's end) is
// completed by the other half after the next LOAD; the file beside the settings is taken up once.
// A file written under other settings is not taken up, and is gone after the LOAD.
TEST_F(AggregationSettings, PendingRowsSurviveARestart) {
  const std::string settings = "Var1=A\r\nVar2=B\r\nKeep pending rows=True\r\n";
  const std::filesystem::path state = std::filesystem::path(ini_).replace_extension(".pending");
  ASSERT_NE(LoadFrom(settings), nullptr);
  EXPECT_EQ(Send("A", 1), ZET_RESULT_NOTHING_DONE);
  EXPECT_EQ(Command("UNLOAD"), 0);
  EXPECT_TRUE(std::filesystem::exists(state));
  EXPECT_EQ(Command("LOAD"), 0);
  EXPECT_FALSE(std::filesystem::exists(state));
  EXPECT_EQ(Send("B", 2), ZET_RESULT_DONE);

  EXPECT_EQ(Send("A", 3), ZET_RESULT_NOTHING_DONE);
  frame::LibraryEnd();
  frame::LibraryStart();
  frame::SetPluginClass(TaPlugin::ClassRef());
  ASSERT_NE(LoadFrom(settings), nullptr);
  EXPECT_EQ(Send("B", 4), ZET_RESULT_DONE);

  EXPECT_EQ(Send("A", 5), ZET_RESULT_NOTHING_DONE);
  EXPECT_EQ(Command("UNLOAD"), 0);
  ASSERT_NE(LoadFrom("Var1=A\r\nVar2=C\r\nKeep pending rows=True\r\n"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(state));
  EXPECT_EQ(Send("C", 6), ZET_RESULT_NOTHING_DONE);
  EXPECT_EQ(Send("A", 7), ZET_RESULT_DONE);
  EXPECT_EQ(Command("UNLOAD"), 0);
  EXPECT_FALSE(std::filesystem::exists(state)) << "no file while no row waits";
}

} // namespace
