// The built-in commands beyond LOAD and UNLOAD through the real library: named module
// parameters, parser items, module state, and saving the settings to another INI file.
#include "host_fixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ModuleCommands : public HostTest {
protected:
  void TearDown() override {
    for (const Loaded& l : loaded_) {
      Run(l.handle, "UNLOAD", [&](hostkit::HostList& p) { p.AddText("INI-FILE", l.ini); });
      RecordBytes release;
      release.Handle(l.handle).Action(ZET_ACTION_RELEASE);
      X().GetModuleType(release.Rec());
    }
    std::error_code ignored;
    for (const auto& file : files_)
      std::filesystem::remove(file, ignored);
  }

  /// One command; Extra adds parameters, Result (when given) receives the "RESULT" item.
  int32_t Run(uint32_t handle, const char* word,
              const std::function<void(hostkit::HostList&)>& extra = {},
              hostkit::ItemView* result = nullptr, uint8_t types = 0) {
    hostkit::HostList params;
    params.AddText("COMMAND", word);
    if (extra)
      extra(params);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw()).Types(types);
    const int32_t code = X().ExecutePluginCommand(r.Rec());
    if (result) {
      *result = {};
      for (const hostkit::ItemView& item : hostkit::ReadList(params.Raw()))
        if (item.name == "RESULT")
          *result = item;
    }
    return code;
  }

  std::string IniFile(const std::vector<std::string>& common) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("agg-cmd-" + std::to_string(FreshHandle()) + ".ini");
    files_.push_back(file);
    if (!common.empty()) {
      std::ofstream out(file, std::ios::binary);
      out << "[Common]\r\n";
      for (const std::string& line : common)
        out << line << "\r\n";
    }
    return file.string();
  }

  uint32_t Load(const std::string& ini) {
    const uint32_t h = FreshHandle();
    EXPECT_EQ(Run(h, "LOAD", [&](hostkit::HostList& p) { p.AddText("INI-FILE", ini); }), 0);
    loaded_.push_back({h, ini});
    return h;
  }

  /// Sends one packet of integers; answers the result and the released rows as "A=1 B=2|".
  int32_t Send(uint32_t handle, const std::vector<std::pair<std::string, int32_t>>& values,
               std::string& rows) {
    hostkit::HostList packet, params;
    for (const auto& [name, value] : values)
      packet.AddInt(name, value);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw()).Types(ZET_MTT_FILTER);
    r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
    const int32_t code = X().ProcessData(r.Rec());
    rows.clear();
    if (r.OutputKind() == ZET_KIND_LIST) {
      for (const auto& item : hostkit::ReadList(reinterpret_cast<void*>(r.OutputData()))) {
        if (item.name == ZET_ROW_MARKER) {
          rows += "|";
        } else {
          if (!rows.empty() && rows.back() != '|')
            rows += " ";
          rows += item.name + "=" + item.text;
        }
      }
    }
    return code;
  }

  struct Loaded {
    uint32_t handle;
    std::string ini;
  };
  std::vector<Loaded> loaded_;
  std::vector<std::filesystem::path> files_;
};

TEST_F(ModuleCommands, ModuleParametersByName) {
  const uint32_t h = Load(IniFile({}));
  hostkit::ItemView result;
  auto param = [](const char* name) {
    return [name](hostkit::HostList& p) {
      p.AddText("PARAM", name);
      p.AddNull("RESULT");
    };
  };
  EXPECT_EQ(Run(h, "GET-MODULE-PARAMETER", param("Description"), &result), 0);
  EXPECT_EQ(result.type, 8); // a wide string
  EXPECT_EQ(result.text, "Aggregation");
  EXPECT_EQ(Run(h, "GET-MODULE-PARAMETER", param("moduletype"), &result), 0);
  EXPECT_EQ(result.type, 3);
  EXPECT_EQ(result.text, "32");
  EXPECT_EQ(Run(h, "GET-MODULE-PARAMETER", param("Foo"), &result), 0);
  EXPECT_EQ(result.type, 0);

  // Without a "RESULT" item the answer is lost, and the list gains none.
  EXPECT_EQ(Run(
                h, "GET-MODULE-PARAMETER",
                [](hostkit::HostList& p) { p.AddText("PARAM", "Description"); }, &result),
            0);
  EXPECT_EQ(result.name, "");
  EXPECT_EQ(Run(h, "GET-MODULE-PARAMETER"), -2);

  auto set = [](const char* name, const char* value) {
    return [name, value](hostkit::HostList& p) {
      p.AddText("PARAM", name);
      p.AddText("VALUE", value);
      p.AddNull("RESULT");
    };
  };
  EXPECT_EQ(Run(h, "SET-MODULE-PARAMETER", set("Foo", "1"), &result), 0);
  EXPECT_EQ(result.type, 11);
  EXPECT_EQ(result.text, "False");
  EXPECT_EQ(Run(h, "SET-MODULE-PARAMETER", set("Custom:Speed", "fast"), &result), 0);
  EXPECT_EQ(result.text, "True");
  EXPECT_EQ(Run(h, "GET-MODULE-PARAMETER", param("Custom:Speed"), &result), 0);
  EXPECT_EQ(result.text, "fast");
}

TEST_F(ModuleCommands, ParserItemsAndStateOfTheInstance) {
  const uint32_t h = Load(IniFile({}));
  hostkit::ItemView result;
  EXPECT_EQ(Run(h, "SET-ITEMS",
                [](hostkit::HostList& p) {
                  p.AddText("ITEMS", "Temperature|T1|Float|\r\nPressure|P1|integer");
                }),
            0);
  EXPECT_EQ(Run(h, "ITEMS"), -1);
  EXPECT_EQ(Run(
                h, "ITEMS", [](hostkit::HostList& p) { p.AddNull("RESULT"); }, &result),
            0);
  EXPECT_EQ(result.text, "Temperature|T1|Float|\r\nPressure|P1|Integer|");

  auto enabled = [&] {
    Run(
        h, "GET-MODULE-PARAMETER",
        [](hostkit::HostList& p) {
          p.AddText("PARAM", "ModuleEnabled");
          p.AddNull("RESULT");
        },
        &result);
    return result.text;
  };
  EXPECT_EQ(enabled(), "0");
  EXPECT_EQ(Run(
                h, "SET-STATE", [](hostkit::HostList& p) { p.AddInt("RESULT", 1); }, nullptr,
                ZET_MTT_FILTER),
            0);
  EXPECT_EQ(enabled(), "32");
  EXPECT_EQ(Run(h, "SET-STATE", {}, nullptr, ZET_MTT_FILTER), -1);
  EXPECT_EQ(enabled(), "32");
}

TEST_F(ModuleCommands, SettingsSavedToAnotherIniFileAreReadBackByALaterLoad) {
  const std::string own = IniFile({"Var1=A", "Var2=B"});
  const std::string copy = IniFile({});
  const uint32_t first = Load(own);
  EXPECT_EQ(
      Run(first, "SAVE-SETTINGS-NOW", [&](hostkit::HostList& p) { p.AddText("INI-FILE", copy); }),
      -2);
  std::ifstream in(copy, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Var2=B"), std::string::npos) << text.str();

  // NO-SAVE leaves the file alone.
  const std::string untouched = IniFile({});
  EXPECT_EQ(Run(first, "SAVE-SETTINGS-NOW",
                [&](hostkit::HostList& p) {
                  p.AddText("INI-FILE", untouched);
                  p.AddBool("NO-SAVE", true);
                }),
            -2);
  EXPECT_FALSE(std::filesystem::exists(untouched));

  const uint32_t second = Load(copy);
  std::string rows;
  EXPECT_EQ(Send(second, {{"A", 1}}, rows), -2);
  EXPECT_EQ(Send(second, {{"B", 2}}, rows), 0);
  EXPECT_EQ(rows, "A=1 B=2|");
}

} // namespace
