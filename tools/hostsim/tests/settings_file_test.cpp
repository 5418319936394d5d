#include "settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace hostsim {
namespace {

TEST(SettingsFile, SectionFollowsThePrefix) {
  EXPECT_EQ(SettingsSectionName(""), "Common");
  EXPECT_EQ(SettingsSectionName("Aggregation"), "Aggregation.Common");
  EXPECT_EQ(SettingsSectionName("Aggregation\\"), "Aggregation");
  EXPECT_EQ(SettingsSectionName("Station/"), "Station");
  EXPECT_EQ(SettingsSectionName("A\\B"), "A.B.Common");
  EXPECT_EQ(SettingsSectionName("A\\B\\"), "A.B");
}

TEST(SettingsFile, TextIsCodedAsTheStoreKeepsIt) {
  EXPECT_EQ(EncodeStoredText("temperature"), "temperature");
  EXPECT_EQ(EncodeStoredText("a b"), "a b");
  EXPECT_EQ(EncodeStoredText("  a  b"), "++a+ b");
  EXPECT_EQ(EncodeStoredText(", "), ",+"); // an INI file would lose a final blank
  EXPECT_EQ(EncodeStoredText(" "), "+");
  EXPECT_EQ(EncodeStoredText("x+y"), "x%2By");
  EXPECT_EQ(EncodeStoredText("50%"), "50%%");
  EXPECT_EQ(EncodeStoredText("\xC3\xA9t\xC3\xA9"), "%C3%A9t%C3%A9");
  EXPECT_EQ(EncodeStoredText("a\r\nb"), "a%0D%0Ab");
  EXPECT_EQ(EncodeStoredText(""), "");
}

TEST(SettingsFile, IniTextHoldsAllKeysOfTheModule) {
  GeneratedSettings s;
  s.vars = {"temperature", "", "rel humidity"};
  s.timeoutMs = 1500.5;
  s.noReset = true;
  EXPECT_EQ(SettingsIniText(s, "Weather"), "[Weather.Common]\r\n"
                                           "Var1=temperature\r\n"
                                           "Var2=\r\n"
                                           "Var3=rel humidity\r\n"
                                           "Var4=\r\n"
                                           "Var5=\r\n"
                                           "Var6=\r\n"
                                           "Var7=\r\n"
                                           "Var8=\r\n"
                                           "Timeout=1500.5\r\n"
                                           "No reset=True\r\n"
                                           "Release partial rows=False\r\n"
                                           "Age limit=0\r\n"
                                           "Value lifetime=0\r\n"
                                           "Group by=\r\n"
                                           "Max groups=256\r\n"
                                           "\r\n");
  GeneratedSettings none;
  const std::string text = SettingsIniText(none, "");
  EXPECT_EQ(text.rfind("[Common]\r\n", 0), 0u);
  EXPECT_NE(text.find("Timeout=0\r\nNo reset=False\r\n"), std::string::npos);
}

TEST(SettingsFile, RowOptionsAreWrittenUnderTheirKeys) {
  GeneratedSettings s;
  s.vars = {"temperature"};
  s.partial = true;
  s.ageLimitMs = 2500.5;
  s.lifetimeMs = 1e6;
  s.groupBy = "st+ation \xC3\xA9";
  s.maxGroups = 16;
  const std::string text = SettingsIniText(s, "");
  EXPECT_NE(text.find("No reset=False\r\n"
                      "Release partial rows=True\r\n"
                      "Age limit=2500.5\r\n"
                      "Value lifetime=1000000\r\n"
                      "Group by=st%2Bation %C3%A9\r\n"
                      "Max groups=16\r\n"
                      "\r\n"),
            std::string::npos)
      << text;
}

TEST(SettingsFile, MergeKeysAreWrittenOnlyOffTheirDefaults) {
  GeneratedSettings s;
  s.vars = {"a", "b", "c"};
  s.merges = {"Last", "Sum", "", "", "", "", "", "Concat"};
  s.separator = " / ";
  const std::string text = SettingsIniText(s, "");
  EXPECT_NE(text.find("Max groups=256\r\n"
                      "Merge2=Sum\r\n"
                      "Merge8=Concat\r\n"
                      "Merge separator=+/+\r\n"
                      "\r\n"),
            std::string::npos)
      << text;
  s.separator = "";
  EXPECT_NE(SettingsIniText(s, "").find("Merge separator=\r\n"), std::string::npos);
}

TEST(SettingsFile, TimeKeysAreWrittenOnlyWhenSet) {
  GeneratedSettings s;
  s.vars = {"a"};
  EXPECT_EQ(SettingsIniText(s, "").find("Time "), std::string::npos);
  s.timeVar = "time stamp";
  s.timeJumpMs = 60000.5;
  EXPECT_NE(SettingsIniText(s, "").find("Max groups=256\r\n"
                                        "Time variable=time stamp\r\n"
                                        "Time jump limit=60000.5\r\n"
                                        "\r\n"),
            std::string::npos);
}

TEST(SettingsFile, TemporaryFileLivesWithItsObject) {
  std::string path;
  {
    TemporaryFile file;
    std::string error;
    ASSERT_TRUE(file.Create("[Common]\r\nVar1=A\r\n", error)) << error;
    path = file.Path();
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "[Common]\r\nVar1=A\r\n");
    TemporaryFile second;
    ASSERT_TRUE(second.Create("", error));
    EXPECT_NE(second.Path(), path);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace hostsim
