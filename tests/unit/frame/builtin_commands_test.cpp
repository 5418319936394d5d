#include "test_plugin.h"

#include "platform/debug_output.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using rtl::Variant;

std::vector<std::string> gDebugLines;

class BuiltinCommands : public FrameTest {
protected:
  /// One command with the parameters Params (COMMAND added first) for Handle.
  static int32_t Run(uint32_t handle, const char* word, TzetParamsList& params, uint8_t types = 0) {
    params.SetValue("COMMAND", Variant::FromAnsiText(word), true);
    TPluginCallRec r = Rec(handle, &params, types);
    return frame::ExecutePluginCommand(&r);
  }
  static std::string Answer(const TzetParamsList& params) {
    return params.GetValue("RESULT").ToText();
  }
  void TearDown() override {
    platform::SetDebugOutputHook(nullptr);
    FrameTest::TearDown();
  }
  static void CaptureDebugOutput() {
    gDebugLines.clear();
    platform::SetDebugOutputHook([](std::string_view text) { gDebugLines.emplace_back(text); });
  }
};

TEST_F(BuiltinCommands, EventNeedsATypeAndReachesOnEvent) {
  EXPECT_EQ(Command(1, "EVENT"), -1);
  EXPECT_EQ(Command(1, "EVENT",
                    [](TzetParamsList& l) { l.Add("EVENT-TYPE", Variant::FromAnsiText("START")); }),
            0);

  std::string seen;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnEvent = [&](TzetPlugin*, const std::string& type, PPluginCallRec, int32_t& result) {
      EXPECT_EQ(result, -1);
      seen = type;
      if (type == "FAIL")
        throw std::runtime_error("event failed");
      result = 4;
    };
  };
  auto type = [](const char* t) {
    return [t](TzetParamsList& l) { l.Add("EVENT-TYPE", Variant::FromAnsiText(t)); };
  };
  EXPECT_EQ(Command(2, "EVENT", type("STOP")), 4);
  EXPECT_EQ(seen, "STOP");
  CaptureDebugOutput();
  EXPECT_EQ(Command(2, "EVENT", type("FAIL")), -3);
  ASSERT_EQ(gDebugLines.size(), 1u);
  EXPECT_EQ(gDebugLines[0].rfind("{EVENT} event failed", 0), 0u) << gDebugLines[0];
  EXPECT_EQ(Command(2, "EVENT", [](TzetParamsList& l) { l.Add("EVENT-TYPE", Variant::Null()); }),
            -1);
}

TEST_F(BuiltinCommands, ParserItemsInAndOut) {
  int sets = 0;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnSetParserItems = [&](TzetPlugin* self) {
      ++sets;
      EXPECT_EQ(self->ParserItemCount(), 2);
    };
    p.OnBeforeGetParserItems = [](TzetPlugin* self) {
      self->SetParserItemsText("Added|A3|Word|", false);
    };
  };
  TzetParamsList set;
  set.Add("ITEMS", Variant::FromAnsiText("Temperature|T1|Float|\r\nPressure|P1|integer"));
  EXPECT_EQ(Run(3, "SET-ITEMS", set), 0);
  EXPECT_EQ(sets, 1);

  TzetParamsList noString;
  noString.Add("ITEMS", Variant::Int32(5));
  EXPECT_EQ(Run(3, "SET-ITEMS", noString), -1);
  EXPECT_EQ(Command(3, "SET-ITEMS"), -1);
  EXPECT_EQ(sets, 1);
  EXPECT_EQ(Instance(3)->ParserItemCount(), 2);

  EXPECT_EQ(Command(3, "ITEMS"), -1); // nowhere to put the answer
  TzetParamsList get;
  get.Add("RESULT", Variant::Null());
  EXPECT_EQ(Run(3, "ITEMS", get), 0);
  EXPECT_EQ(get.GetValue("RESULT").Type(), platform::vtBstr);
  // The handler before the answer refreshed the items (only once: the call without a "RESULT"
  // item did not fire it).
  const std::string expected = "Temperature|T1|Float|\r\nPressure|P1|Integer|\r\nAdded|A3|Word|";
  EXPECT_EQ(Answer(get), expected);
  EXPECT_EQ(Instance(3)->ParserItemsText.Str(), expected);
}

TEST_F(BuiltinCommands, ModuleParametersAnswerInResultOnly) {
  TzetParamsList get;
  get.Add("PARAM", Variant::FromAnsiText("LogTitle"));
  get.Add("RESULT", Variant::Null());
  EXPECT_EQ(Run(4, "GET-MODULE-PARAMETER", get), 0);
  EXPECT_EQ(get.GetValue("RESULT").Type(), platform::vtBstr);
  EXPECT_EQ(Answer(get), "Probe");

  TzetParamsList noResult;
  noResult.Add("PARAM", Variant::FromAnsiText("LogTitle"));
  EXPECT_EQ(Run(4, "GET-MODULE-PARAMETER", noResult), 0);
  EXPECT_EQ(noResult.IndexOfName("RESULT"), -1); // never added
  EXPECT_EQ(Command(4, "GET-MODULE-PARAMETER"), -2);
  EXPECT_EQ(Command(4, "SET-MODULE-PARAMETER"), -2);

  TzetParamsList unknown;
  unknown.Add("PARAM", Variant::FromAnsiText("Foo"));
  unknown.Add("VALUE", Variant::Int32(1));
  unknown.Add("RESULT", Variant::Int32(7));
  EXPECT_EQ(Run(4, "SET-MODULE-PARAMETER", unknown), 0);
  EXPECT_EQ(unknown.GetValue("RESULT").Type(), platform::vtBool);
  EXPECT_FALSE(unknown.GetValue("RESULT").ToBool());

  TzetParamsList title;
  title.Add("PARAM", Variant::FromAnsiText("logtitle"));
  title.Add("VALUE", Variant::FromAnsiText("Renamed"));
  title.Add("RESULT", Variant::Null());
  EXPECT_EQ(Run(4, "SET-MODULE-PARAMETER", title), 0);
  EXPECT_TRUE(title.GetValue("RESULT").ToBool());
  EXPECT_EQ(Instance(4)->LogTitle, "Renamed");

  // A missing VALUE is Null, which sets an empty text.
  TzetParamsList noValue;
  noValue.Add("PARAM", Variant::FromAnsiText("EventsSupported"));
  Instance(4)->EventsSupported = "x";
  EXPECT_EQ(Run(4, "SET-MODULE-PARAMETER", noValue), 0);
  EXPECT_EQ(Instance(4)->EventsSupported, "");

  TzetParamsList events;
  Instance(4)->EventsSupported = "START,STOP";
  events.Add("RESULT", Variant::Null());
  EXPECT_EQ(Run(4, "EVENTS-SUPPORT", events), 0);
  EXPECT_EQ(Answer(events), "START,STOP");

  // A value the property cannot take fails the command.
  TzetParamsList bad;
  bad.Add("PARAM", Variant::FromAnsiText("OWNERFORM"));
  bad.Add("VALUE", Variant::FromAnsiText("window"));
  bad.Add("RESULT", Variant::Null());
  EXPECT_EQ(Run(4, "SET-MODULE-PARAMETER", bad), -3);
  EXPECT_EQ(bad.GetValue("RESULT").Type(), platform::vtNull);
  EXPECT_EQ(Instance(4)->CommandDepth, 0);
}

TEST_F(BuiltinCommands, SetStateEnablesTheRecordsTypesAndReadsDataSources) {
  std::vector<TModuleTypes> changes;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnStateChanged = [&](TzetPlugin*, TModuleTypes types) { changes.push_back(types); };
  };
  const uint8_t filter = ModuleTypeBit(mttFilter);
  const uint8_t exportType = ModuleTypeBit(mttDataExport);

  TzetParamsList enable;
  enable.Add("RESULT", Variant::Int32(1));
  EXPECT_EQ(Run(5, "SET-STATE", enable, filter | exportType), 0);
  TzetPlugin* p = Instance(5);
  EXPECT_TRUE(p->ModuleEnabled[mttFilter]);
  EXPECT_TRUE(p->ModuleEnabled[mttDataExport]);

  TzetParamsList disable;
  disable.Add("RESULT", Variant::Int32(0));
  EXPECT_EQ(Run(5, "SET-STATE", disable, exportType), 0);
  EXPECT_TRUE(p->ModuleEnabled[mttFilter]); // not in the record: kept
  EXPECT_FALSE(p->ModuleEnabled[mttDataExport]);
  EXPECT_EQ(changes, (std::vector<TModuleTypes>{TModuleTypes(filter | exportType), exportType}));
  EXPECT_EQ(p->GetNamedProperty("ModuleEnabled").ToInt32(), filter);

  TzetParamsList sources;
  sources.Add("DATA-SOURCES-IN-CFG", Variant::FromAnsiText("1;A;B\r\nx;C;D\r\n"));
  sources.Add("DATA-SOURCE-LOAD", Variant::FromAnsiText("A"));
  EXPECT_EQ(Run(5, "SET-STATE", sources, filter), -1); // no RESULT: flags untouched
  ASSERT_EQ(p->DataSources.size(), 1u);
  EXPECT_EQ(p->DataSources[0]->Id, 1);
  EXPECT_EQ(p->DataSources[0]->Field3, "B");
  EXPECT_EQ(p->DataSourceLoadFor, "A");
  EXPECT_EQ(changes.size(), 2u);

  TzetParamsList replace;
  replace.Add("DATA-SOURCES-IN-CFG", Variant::FromAnsiText("2;E;F\n3;G"));
  replace.Add("RESULT", Variant::Int32(0));
  EXPECT_EQ(Run(5, "SET-STATE", replace, filter), 0);
  ASSERT_EQ(p->DataSources.size(), 2u);
  EXPECT_EQ(p->DataSources[1]->Field2, "G");
  EXPECT_FALSE(p->ModuleEnabled[mttFilter]);

  TzetParamsList noNumber;
  noNumber.Add("RESULT", Variant::FromAnsiText("on"));
  EXPECT_EQ(Run(5, "SET-STATE", noNumber, filter), -3);
  EXPECT_EQ(p->CommandDepth, 0);
}

TEST_F(BuiltinCommands, SettingsNowUseTheGivenIniFileAndGiveItBack) {
  std::vector<std::string> events;
  bool failLoad = false;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnSaveSettingsNow = [&](TzetPlugin* s) { events.push_back("save " + s->INIFile.Str()); };
    p.OnLoadSettingsNow = [&](TzetPlugin* s) {
      events.push_back("load " + s->INIFile.Str());
      if (failLoad)
        throw std::runtime_error("unreadable");
    };
  };
  Command(6, "LOAD",
          [](TzetParamsList& l) { l.Add("INI-FILE", Variant::FromAnsiText("own.ini")); });
  TzetPlugin* p = Instance(6);

  TzetParamsList save;
  save.Add("INI-FILE", Variant::FromAnsiText("copy.ini"));
  EXPECT_EQ(Run(6, "SAVE-SETTINGS-NOW", save), -2);
  EXPECT_EQ(p->INIFile, "own.ini");
  EXPECT_EQ(Command(6, "SAVE-SETTINGS-NOW"), -2); // no file: the registry
  TzetParamsList load;
  load.Add("INI-FILE", Variant::FromAnsiText("copy.ini"));
  EXPECT_EQ(Run(6, "LOAD-SETTINGS-NOW", load), -2);
  EXPECT_EQ(events,
            (std::vector<std::string>{"save copy.ini", "save ", "load copy.ini", "save own.ini"}));
  EXPECT_EQ(p->INIFile, "own.ini");

  events.clear();
  TzetParamsList noSave;
  noSave.Add("INI-FILE", Variant::FromAnsiText("copy.ini"));
  noSave.Add("NO-SAVE", Variant::Bool(true));
  EXPECT_EQ(Run(6, "SAVE-SETTINGS-NOW", noSave), -2);
  EXPECT_EQ(Run(6, "LOAD-SETTINGS-NOW", noSave), -2);
  TzetParamsList saveAllowed;
  saveAllowed.Add("NO-SAVE", Variant::Int32(0));
  EXPECT_EQ(Run(6, "SAVE-SETTINGS-NOW", saveAllowed), -2);
  EXPECT_EQ(events, (std::vector<std::string>{"load copy.ini", "save "}));
  EXPECT_EQ(p->INIFile, "own.ini");

  // A failing load ends the command; the instance keeps its own file.
  events.clear();
  failLoad = true;
  EXPECT_EQ(Run(6, "LOAD-SETTINGS-NOW", load), -3);
  EXPECT_EQ(events, (std::vector<std::string>{"load copy.ini"}));
  EXPECT_EQ(p->INIFile, "own.ini");
  EXPECT_EQ(p->CommandDepth, 0);
}

TEST_F(BuiltinCommands, BuiltInWordsAreExactAndOthersStillReachTheModule) {
  std::vector<std::string> custom;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnExecuteCustomCommand = [&](TzetPlugin*, const std::string& word, PPluginCallRec,
                                   int32_t& result) {
      custom.push_back(word);
      result = 1;
    };
  };
  EXPECT_EQ(Command(7, "items"), 1);
  EXPECT_EQ(Command(7, "SET-STATE "), 1);
  EXPECT_EQ(Command(7, "EVENT"), -1);
  EXPECT_EQ(Command(7, "EVENTS-SUPPORT"), 0);
  EXPECT_EQ(custom, (std::vector<std::string>{"items", "SET-STATE "}));
}

} // namespace
