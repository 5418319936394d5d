#include "options.h"

#include <gtest/gtest.h>

namespace hostsim {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string e;
  auto o = ParseOptions(args, e);
  if (error)
    *error = e;
  return o;
}

/// The usage error of arguments that must be refused.
std::string Refused(std::vector<std::string> args) {
  std::string error;
  EXPECT_FALSE(Parse(args, &error).has_value()) << error;
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(Options, GeneratedSettingsFromVars) {
  const auto o = Parse({"--vars", "temperature,humidity,pressure", "--timeout", "2000.5",
                        "--no-reset", "--input=weather.packets", "--time-scale", "0.5"});
  ASSERT_TRUE(o);
  EXPECT_EQ(o->source, SettingsSource::Generated);
  EXPECT_EQ(o->vars, (std::vector<std::string>{"temperature", "humidity", "pressure"}));
  EXPECT_DOUBLE_EQ(o->timeoutMs, 2000.5);
  EXPECT_TRUE(o->noReset);
  EXPECT_EQ(o->input, "weather.packets");
  EXPECT_DOUBLE_EQ(o->timeScale, 0.5);
  EXPECT_EQ(o->benchRepeats, 0u);
  EXPECT_TRUE(o->library.empty());

  // Empty names keep their places; no names at all is a module without variables.
  EXPECT_EQ(Parse({"--vars", "A,,C"})->vars, (std::vector<std::string>{"A", "", "C"}));
  EXPECT_TRUE(Parse({"--vars="})->vars.empty());
}

TEST(Options, IniFileAndRegistry) {
  const auto ini = Parse({"--ini", "w.ini", "--section-prefix", "Station\\", "--library", "x.dll"});
  ASSERT_TRUE(ini);
  EXPECT_EQ(ini->source, SettingsSource::IniFile);
  EXPECT_EQ(ini->iniFile, "w.ini");
  EXPECT_EQ(ini->sectionPrefix, "Station\\");
  EXPECT_EQ(ini->library, "x.dll");
  const auto reg = Parse({"--registry", "\\Software\\Host\\Aggregation", "--bench", "100"});
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->source, SettingsSource::Registry);
  EXPECT_EQ(reg->registryPath, "\\Software\\Host\\Aggregation");
  EXPECT_EQ(reg->benchRepeats, 100u);
}

TEST(Options, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(Parse({"--help"})->help);
  EXPECT_TRUE(Parse({"--vars", "A", "--nonsense", "-h"})->help);
  const std::string help = HelpText("hostsim");
  for (const char* word :
       {"--vars", "--timeout", "--no-reset", "--ini", "--section-prefix", "--registry", "--input",
        "--library", "--time-scale", "--bench", "@MS", "Exit status"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(Options, SettingsMustComeFromExactlyOnePlace) {
  EXPECT_NE(Refused({"--input", "x"}).find("say where the settings are"), std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--ini", "x.ini"}).find("exclude each other"),
            std::string::npos);
  EXPECT_NE(Refused({"--ini", "x.ini", "--timeout", "5"}).find("go with --vars"),
            std::string::npos);
  EXPECT_NE(Refused({"--registry", "\\X", "--no-reset"}).find("go with --vars"), std::string::npos);
  EXPECT_NE(Refused({"--registry", "\\X", "--section-prefix", "P"}).find("--section-prefix"),
            std::string::npos);
}

TEST(Options, BadArgumentsAreNamed) {
  EXPECT_EQ(Refused({"--vars", "1,2,3,4,5,6,7,8,9"}),
            "--vars names 9 variables; the module takes 8 at most");
  EXPECT_EQ(Refused({"--vars", "A", "--frobnicate"}), "unknown option --frobnicate (see --help)");
  EXPECT_EQ(Refused({"--vars"}), "option --vars needs a value");
  EXPECT_EQ(Refused({"--vars", "A", "--vars", "B"}), "option --vars is given twice");
  EXPECT_EQ(Refused({"--vars", "A", "--no-reset=yes"}), "option --no-reset takes no value");
  EXPECT_NE(Refused({"--vars", "A", "packets.txt"}).find("\"packets.txt\""), std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--timeout", "soon"}).find("\"soon\""), std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--timeout", "-5"}).find("\"-5\""), std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--time-scale", "-1"}).find("\"-1\""), std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--bench", "0"}).find("\"0\""), std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--bench", "many"}).find("\"many\""), std::string::npos);
}

} // namespace
} // namespace hostsim
