#include "test_plugin.h"

#include "frame/data_sources.h"
#include "frame/key_text.h"
#include "platform/codepage.h"
#include "platform/module_info.h"
#include "support/system_info.h"

#include <algorithm>
#include <stdexcept>

namespace {

using rtl::Variant;

class NamedProperties : public FrameTest {
protected:
  TzetPlugin& Fresh(uint32_t handle) {
    TPluginCallRec r = Rec(handle, nullptr);
    frame::GetModuleType(&r);
    return *Instance(handle);
  }
  static std::string WideText(const Variant& v) {
    EXPECT_EQ(v.Type(), platform::vtBstr);
    return v.ToText();
  }
  static int32_t Int(const Variant& v) {
    EXPECT_EQ(v.Type(), platform::vtI4);
    return v.ToInt32();
  }
};

TEST_F(NamedProperties, KeysAnswerTheInstanceFieldsRegardlessOfCase) {
  TzetPlugin& p = Fresh(1);
  EXPECT_EQ(Int(p.GetNamedProperty("moduletype")), 32);
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleEnabled")), 0);
  EXPECT_EQ(WideText(p.GetNamedProperty("LOGTITLE")), "Probe");
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleHandle")), 1);
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleLoadCount")), 0);
  EXPECT_EQ(WideText(p.GetNamedProperty("ModuleName")), p.ModuleName.Str());
  EXPECT_EQ(p.GetNamedProperty("TerminateNow").Type(), platform::vtBool);
  EXPECT_EQ(p.GetNamedProperty("Foo").Type(), platform::vtEmpty);
  EXPECT_FALSE(p.SetNamedProperty("Foo", Variant::Int32(1)));
  EXPECT_EQ(WideText(p.GetNamedProperty("TranslatorComponentProperties")).rfind("CAPTION\r\n", 0),
            0u);

  // Registry roots as their ordinals.
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleRegistryRoot1")), 2);
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleRegistryRoot2")), 1);
  p.ModuleRegistryRoot1 = rrHKEY_CURRENT_CONFIG;
  p.ModuleRegistryRoot2 = rrNone;
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleRegistryRoot1")), 4);
  EXPECT_EQ(Int(p.GetNamedProperty("modulEregistryroot2")), 5);

  p.ModuleEnabled[mttFilter] = true;
  p.ModuleEnabled[mttMenuExt] = true;
  EXPECT_EQ(Int(p.GetNamedProperty("ModuleEnabled")), 0xA0);

  // Text of the system code page comes back as the same characters in a wide string.
  p.INIFile = "C:\\Daten\\\xE4.ini";
  EXPECT_EQ(p.GetNamedProperty("inifile").ToWide(), platform::AnsiToWide(p.INIFile.View()));
}

// ctest runs this binary once more with "/TESTTRANSL" among its arguments.
TEST_F(NamedProperties, TestTranslFollowsTheProcessArguments) {
  const std::vector<std::string> given = ::testing::internal::GetArgvs();
  const bool asked = std::find(given.begin() + 1, given.end(), "/TESTTRANSL") != given.end();
  const Variant v = Fresh(41).GetNamedProperty("TESTTRANSL");
  EXPECT_EQ(v.Type(), platform::vtBool);
  EXPECT_EQ(v.ToBool(), asked);
  EXPECT_EQ(Fresh(42).GetNamedProperty("testtransl").ToBool(), asked); // the key ignores case
}

TEST_F(NamedProperties, SettersConvertTheValueOrRefuse) {
  TzetPlugin& p = Fresh(2);
  EXPECT_TRUE(p.SetNamedProperty("logtitle", Variant::Int32(12)));
  EXPECT_EQ(p.LogTitle, "12");
  EXPECT_TRUE(p.SetNamedProperty("Description", Variant::FromAnsiText("Other")));
  EXPECT_EQ(p.Description, "Other");

  // Module types: bits 0..7 of an integer; Null empties the set; no number leaves it alone.
  EXPECT_TRUE(p.SetNamedProperty("ModuleType", Variant::Int32(0x1A1)));
  EXPECT_EQ(p.ModuleType, 0xA1);
  EXPECT_FALSE(p.SetNamedProperty("ModuleType", Variant::FromAnsiText("filter")));
  EXPECT_EQ(p.ModuleType, 0xA1);
  EXPECT_TRUE(p.SetNamedProperty("ModuleType", Variant::Null()));
  EXPECT_EQ(p.ModuleType, 0);

  EXPECT_TRUE(p.SetNamedProperty("OWNERFORM", Variant::FromAnsiText("77")));
  EXPECT_EQ(p.OwnerForm, 77u);
  EXPECT_EQ(Int(p.GetNamedProperty("ownerform")), 77);
  EXPECT_ANY_THROW(p.SetNamedProperty("OWNERFORM", Variant::FromAnsiText("window")));
  EXPECT_EQ(p.OwnerForm, 77u);

  // Custom commands are appended, equal ones too.
  EXPECT_TRUE(p.SetNamedProperty("CustomCommands", Variant::FromAnsiText("Run|Run now||1|0")));
  EXPECT_TRUE(p.SetNamedProperty("customcommands", Variant::FromAnsiText("Run|Run now||1|0")));
  ASSERT_EQ(p.CustomCommands->Count(), 2);
  EXPECT_EQ(WideText(p.GetNamedProperty("CustomCommands")),
            "Run|Run now||1|0\r\nRun|Run now||1|0\r\n");

  // Keys that only the getter knows.
  EXPECT_FALSE(p.SetNamedProperty("ModuleHandle", Variant::Int32(9)));
  EXPECT_EQ(p.ModuleHandle, 2u);
}

TEST_F(NamedProperties, CustomValuesByNameAndPosition) {
  TzetPlugin& p = Fresh(3);
  EXPECT_EQ(p.CustomValues, nullptr); // created on first use
  EXPECT_EQ(p.GetNamedProperty("Custom:Speed").Type(), platform::vtNull);
  EXPECT_TRUE(p.SetNamedProperty("Custom:Speed", Variant::Int32(5)));
  EXPECT_EQ(Int(p.GetNamedProperty("Custom:Speed")), 5);
  EXPECT_EQ(Int(p.GetNamedProperty("Custom_Speed")), 5);
  EXPECT_EQ(Int(p.GetNamedProperty("Custom:COUNT")), 1);
  EXPECT_EQ(Int(p.GetNamedProperty("Custom_0")), 5);
  EXPECT_EQ(p.GetNamedProperty("Custom_1").Type(), platform::vtNull);

  EXPECT_TRUE(p.SetNamedProperty("Custom Mode", Variant::FromAnsiText("fast")));
  EXPECT_TRUE(p.SetNamedProperty("Custom:1", Variant::FromAnsiText("slow"))); // by position
  EXPECT_TRUE(p.SetNamedProperty("Custom:7", Variant::Int32(1)));             // beyond: nothing
  EXPECT_EQ(Int(p.GetNamedProperty("Custom:COUNT")), 2);
  EXPECT_EQ(WideText(p.GetNamedProperty("Custom:Mode")), "slow");

  // The prefix is case-sensitive and needs a name after it.
  EXPECT_FALSE(p.SetNamedProperty("custom:Speed", Variant::Int32(6)));
  EXPECT_EQ(p.GetNamedProperty("custom:Speed").Type(), platform::vtEmpty);
  EXPECT_FALSE(p.SetNamedProperty("Custom", Variant::Int32(6)));
  EXPECT_FALSE(p.SetNamedProperty("Custom:", Variant::Int32(6)));
  EXPECT_EQ(p.GetNamedProperty("Custom_").Type(), platform::vtEmpty);

  EXPECT_TRUE(p.SetNamedProperty("Custom:COUNT", Variant::Int32(0)));
  EXPECT_EQ(Int(p.GetNamedProperty("Custom:COUNT")), 0);
  EXPECT_EQ(p.GetNamedProperty("Custom:Speed").Type(), platform::vtNull);
}

TEST_F(NamedProperties, ParserItemsTextBothWays) {
  TzetPlugin& p = Fresh(4);
  EXPECT_TRUE(p.SetNamedProperty(
      "ParserItems", Variant::FromAnsiText("Temperature|T1|Float|\r\nPressure|P1|integer")));
  ASSERT_EQ(p.ParserItemCount(), 2);
  EXPECT_EQ(p.ParserItems[0].Name, "T1");
  EXPECT_EQ(p.ParserItems[0].ItemType, 5);
  EXPECT_EQ(p.ParserItems[1].Name, "P1");
  EXPECT_EQ(p.ParserItems[1].Desc, "Pressure");
  EXPECT_EQ(p.ParserItems[1].ItemType, 8);
  EXPECT_EQ(WideText(p.GetNamedProperty("ParserItems")),
            "Temperature|T1|Float|\r\nPressure|P1|Integer|");
  EXPECT_EQ(Int(p.GetNamedProperty("ParserItemsCount")), 2);

  // Empty lines are skipped, the fourth field is kept, an unknown or missing type is 17.
  p.SetParserItemsText("\nSpeed|S|Knots|x\n\nMode|M\n", true);
  ASSERT_EQ(p.ParserItemCount(), 2);
  EXPECT_EQ(p.ParserItems[0].ItemType, kUnknownParserItemType);
  EXPECT_EQ(p.ParserItems[0].Extra, "x");
  EXPECT_EQ(p.ParserItems[1].ItemType, kUnknownParserItemType);
  EXPECT_EQ(p.GetParserItemsText(), "Speed|S||x\r\nMode|M||");

  // A line without a name ends the text; the items before it stand, followed by empty entries
  // up to one entry per line of the text.
  p.SetParserItemsText("A|a|Byte\r\nTemperature\r\nB|b|Word", false);
  ASSERT_EQ(p.ParserItemCount(), 5);
  EXPECT_EQ(p.ParserItems[2].Name, "a");
  EXPECT_EQ(p.ParserItems[2].ItemType, 13);
  EXPECT_EQ(p.ParserItems[3].Name, "");
  EXPECT_EQ(p.ParserItems[4].ItemType, 0);
  p.SetParserItemsText("Temperature", true);
  EXPECT_EQ(p.ParserItemCount(), 1);
  EXPECT_EQ(p.GetParserItemsText(), "||String|");
}

TEST_F(NamedProperties, ParserItemKeysAddressEntriesAndGrowTheList) {
  TzetPlugin& p = Fresh(5);
  p.SetParserItemsText("Temperature|T1|Float|\r\nPressure|P1|Integer|", true);
  EXPECT_EQ(WideText(p.GetNamedProperty("ParserItemName001")), "P1");
  EXPECT_EQ(WideText(p.GetNamedProperty("ParserItemDesc000")), "Temperature");
  EXPECT_EQ(Int(p.GetNamedProperty("ParserItemType001")), 8);

  EXPECT_EQ(WideText(p.GetNamedProperty("ParserItemName005")), "");
  EXPECT_EQ(p.ParserItemCount(), 6);
  EXPECT_EQ(Int(p.GetNamedProperty("ParserItemType005")), 0);

  // Case-sensitive prefixes; an index that is no number addresses nothing.
  EXPECT_EQ(p.GetNamedProperty("parseritemname001").Type(), platform::vtEmpty);
  EXPECT_EQ(p.GetNamedProperty("ParserItemNameX01").Type(), platform::vtEmpty);
  EXPECT_EQ(p.GetNamedProperty("ParserItemName").Type(), platform::vtEmpty);
  EXPECT_EQ(p.GetNamedProperty("ParserItemName-01").Type(), platform::vtEmpty);
  EXPECT_EQ(p.ParserItemCount(), 6);
  EXPECT_EQ(p.GetParserItem(-1).Name, "");
  EXPECT_EQ(p.ParserItemCount(), 6);
}

TEST_F(NamedProperties, FoldersFromTheSettingsLocation) {
  TzetPlugin& p = Fresh(6);
  const char sep = platform::PathDelimiter();
  const std::string common = support::GetSpecialFolder(platform::kCsidlCommonAppData, "", false);
  ASSERT_FALSE(common.empty());

  p.INISectionPrefix = "{Main:12}Mod";
  EXPECT_EQ(p.ModuleConfigId(), "12");
  p.INISectionPrefix = "{ Main }Mod";
  EXPECT_EQ(p.ModuleConfigId(), "Main");
  p.INISectionPrefix = "{Main:}Mod";
  EXPECT_EQ(p.ModuleConfigId(), "Main:");
  p.INISectionPrefix = "Mod";
  EXPECT_EQ(p.ModuleConfigId(), "");

  p.ModuleRegistryPath = "Software\\Maker\\Suite\\My|App\\Modules";
  EXPECT_EQ(p.AppDataPath(), common + "My App" + sep);
  p.Description = "Aggre/gation\r\nsecond line";
  EXPECT_EQ(p.ModuleDataPath(), common + "My App" + sep + "Aggre-gation" + sep);
  p.INISectionPrefix = "{Main:3}";
  EXPECT_EQ(WideText(p.GetNamedProperty("ModuleDataPath")),
            common + "My App" + sep + "3" + sep + "Aggre-gation" + sep);

  // Without a description the library's file name names the folder.
  p.Description = "";
  p.ModuleName = "Aggregation.DLL";
  p.ModuleRegistryPath = "Software";
  p.INISectionPrefix = "";
  EXPECT_EQ(p.ModuleDataPath(), common + "aggregation" + sep);
}

TEST(ConfigDataSource, LinesWithANumberFirst) {
  auto s = frame::ParseDataSourceLine(" 7 ; Port A ;COM1 ;rest");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Id, 7);
  EXPECT_EQ(s->Field2, "Port A");
  EXPECT_EQ(s->Field3, "COM1");
  EXPECT_EQ(s->Line, " 7 ; Port A ;COM1 ;rest");
  s = frame::ParseDataSourceLine("3");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Field2, "");
  EXPECT_EQ(s->Field3, "");
  EXPECT_EQ(frame::ParseDataSourceLine("x;C;D"), nullptr);
  EXPECT_EQ(frame::ParseDataSourceLine("-1;C;D"), nullptr);
  EXPECT_EQ(frame::ParseDataSourceLine("9999999999;C"), nullptr);
  EXPECT_EQ(frame::ParseDataSourceLine(""), nullptr);
}

TEST(KeyText, DecimalNumbersAndTheirLimits) {
  EXPECT_EQ(frame::DecimalValue("+5"), 5);
  EXPECT_EQ(frame::DecimalValue("-2147483648"), INT32_MIN);
  EXPECT_EQ(frame::DecimalValue("2147483647"), INT32_MAX);
  EXPECT_FALSE(frame::DecimalValue("2147483648"));
  EXPECT_FALSE(frame::DecimalValue("-"));
  EXPECT_FALSE(frame::DecimalValue(""));
  EXPECT_FALSE(frame::DecimalValue("1 "));
  EXPECT_TRUE(frame::SameKey("ParserItems", "PARSERitems"));
  EXPECT_FALSE(frame::SameKey("ParserItems", "ParserItem"));
}

} // namespace
