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
  for (const char* word : {"--vars",           "--timeout",      "--no-reset",
                           "--partial",        "--age MS",       "--lifetime MS",
                           "--group-by NAME",  "--max-groups N", "--merge VAR=STRATEGY",
                           "--separator TEXT", "Concat",         "$ROW_STATUS$",
                           "Stats.Packets",    "--ini",          "--section-prefix",
                           "--registry",       "--input",        "--library",
                           "--time-scale",     "--bench",        "@MS",
                           "--time-var NAME",  "--time-jump MS", "--no-delays",
                           "Exit status"})
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

TEST(Options, RowOptionsOfTheGeneratedSettings) {
  const auto o =
      Parse({"--vars", "A,B", "--partial", "--age=2500.5", "--timeout", "900", "--lifetime", "1000",
             "--no-reset", "--group-by", "  station ", "--max-groups", "65536"});
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->partial);
  EXPECT_DOUBLE_EQ(o->ageLimitMs, 2500.5);
  EXPECT_DOUBLE_EQ(o->lifetimeMs, 1000);
  EXPECT_EQ(o->groupBy, "station"); // blanks around a name do not count
  EXPECT_EQ(o->maxGroups, 65536u);

  // Off unless given; grouping alone keeps the module's bound.
  const auto plain = Parse({"--vars", "A"});
  EXPECT_FALSE(plain->partial);
  EXPECT_EQ(plain->ageLimitMs, 0);
  EXPECT_EQ(plain->lifetimeMs, 0);
  EXPECT_TRUE(plain->groupBy.empty());
  EXPECT_EQ(Parse({"--vars", "A", "--group-by", "id"})->maxGroups, 256u);
  // Each of the row endings is enough for --partial.
  EXPECT_TRUE(Parse({"--vars", "A", "--partial", "--age", "5"}));
  EXPECT_TRUE(Parse({"--vars", "A", "--partial", "--timeout", "5"}));
  EXPECT_TRUE(Parse({"--vars", "A", "--partial", "--group-by", "id"}));
}

TEST(Options, RowOptionsAreRefusedWithAReason) {
  EXPECT_EQ(Refused({"--vars", "A", "--partial=yes", "--age", "5"}),
            "option --partial takes no value");
  EXPECT_NE(Refused({"--vars", "A", "--age", "-1"}).find("--age needs milliseconds"),
            std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--no-reset", "--lifetime", "1e400"}).find("\"1e400\""),
            std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--group-by", " \t"}).find("name of a variable"),
            std::string::npos);
  for (const char* count : {"0", "65537", "-3", "8x", ""})
    EXPECT_EQ(Refused({"--vars", "A", "--group-by", "id", "--max-groups", count}),
              std::string("--max-groups needs a count from 1 to 65536, not \"") + count + "\"");
  // Options that would do nothing are named rather than silently ignored.
  EXPECT_NE(Refused({"--vars", "A", "--partial"}).find("give --timeout, --age or --group-by"),
            std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--partial", "--timeout", "0"}).find("--partial"),
            std::string::npos);
  EXPECT_NE(Refused({"--vars", "A", "--lifetime", "100"}).find("goes with --no-reset"),
            std::string::npos);
  EXPECT_EQ(Refused({"--vars", "A", "--max-groups", "4"}), "--max-groups goes with --group-by");
  // Like the timeout, they are settings the simulator writes; an INI file or the registry has
  // its own.
  EXPECT_EQ(Refused({"--ini", "x.ini", "--group-by", "id"}).rfind("--group-by: ", 0), 0u);
  EXPECT_NE(Refused({"--registry", "\\X", "--age", "5"}).find("go with --vars"), std::string::npos);
}

TEST(Options, PacketTimeAndReplayWithoutDelays) {
  const auto o = Parse({"--vars", "A", "--time-var", " Time ", "--time-jump=60000", "--no-delays"});
  ASSERT_TRUE(o);
  EXPECT_EQ(o->timeVar, "Time");
  EXPECT_DOUBLE_EQ(o->timeJumpMs, 60000);
  EXPECT_EQ(o->timeScale, 0); // --no-delays replays the clock steps without waiting
  const auto plain = Parse({"--vars", "A"});
  EXPECT_TRUE(plain->timeVar.empty());
  EXPECT_EQ(plain->timeJumpMs, 0);
  EXPECT_EQ(plain->timeScale, 1);
  EXPECT_EQ(Parse({"--ini", "x.ini", "--no-delays"})->timeScale, 0);

  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--vars", "A", "--time-var", " "}, "--time-var needs the name of a variable, not \" \""},
      {{"--vars", "A", "--time-var", "t", "--time-jump", "-1"},
       "--time-jump needs milliseconds (a number of 0 or more), not \"-1\""},
      {{"--vars", "A", "--time-jump", "5"}, "--time-jump goes with --time-var"},
      {{"--vars", "A", "--no-delays=yes"}, "option --no-delays takes no value"},
      {{"--vars", "A", "--no-delays", "--time-scale", "0.5"},
       "--no-delays and --time-scale exclude each other (--no-delays is --time-scale 0)"},
  };
  for (const auto& [args, message] : cases)
    EXPECT_EQ(Refused(args), message);
  EXPECT_EQ(Refused({"--ini", "x.ini", "--time-var", "t"}).rfind("--time-var: ", 0), 0u);
  EXPECT_NE(Refused({"--registry", "\\X", "--time-jump", "5"}).find("go with --vars"),
            std::string::npos);
}

TEST(Options, MergeStrategiesGoToThePlacesOfTheirVariables) {
  // Variables and strategies are matched without regard to case and blanks; the argument order
  // does not matter, and a name --vars gives twice takes the strategy at both places.
  const auto o = Parse({"--merge", "TEMP=sum", "--vars", "temp, Hum ,,n,temp",
                        "--merge=hum = concat", "--separator", " | ", "--merge", "n=LAST"});
  ASSERT_TRUE(o);
  EXPECT_EQ(o->merges, (std::array<std::string, kMaxVars>{"Sum", "Concat", "", "Last", "Sum"}));
  EXPECT_EQ(o->separator, " | ");
  const auto plain = Parse({"--vars", "A"});
  EXPECT_EQ(plain->merges, (std::array<std::string, kMaxVars>{}));
  EXPECT_FALSE(plain->separator);
  // The separator may be empty; 64 characters are the most (here 64 of two bytes each).
  std::string longest;
  for (int i = 0; i < 64; ++i)
    longest += "\xC3\xA9";
  for (const std::string& separator : {std::string(), longest})
    EXPECT_EQ(Parse({"--vars", "A", "--merge", "A=Concat", "--separator", separator})->separator,
              separator);
}

TEST(Options, MergeStrategiesAreRefusedWithAReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--vars", "A,B", "--merge", "A"}, "--merge needs VAR=STRATEGY, not \"A\""},
      {{"--vars", "A,B", "--merge", " =Sum"}, "--merge needs VAR=STRATEGY, not \" =Sum\""},
      {{"--vars", "A,B", "--merge", "A=Average"},
       "--merge needs a strategy (Last, First, Sum, Min, Max, Mean, Count or Concat), not "
       "\"Average\""},
      {{"--vars", "A,B", "--merge", "A="},
       "--merge needs a strategy (Last, First, Sum, Min, Max, Mean, Count or Concat), not \"\""},
      {{"--vars", "A,,B", "--merge", "C=Sum"}, "--merge needs a variable of --vars, not \"C\""},
      {{"--vars", "A,B", "--merge", "a=Sum", "--merge", "A=Min"},
       "--merge is given twice for the variable A"},
      {{"--vars", "A", "--merge", "A=Sum", "--separator", "/"},
       "--separator goes with --merge VAR=Concat"},
      {{"--vars", "A", "--merge", "A=Concat", "--separator", std::string(65, '-')},
       "--separator takes at most 64 characters, not 65"},
      {{"--vars", "A", "--merge", "A=Concat", "--separator", "/", "--separator", "/"},
       "option --separator is given twice"},
  };
  for (const auto& [args, message] : cases)
    EXPECT_EQ(Refused(args), message);
  EXPECT_EQ(Refused({"--ini", "x.ini", "--merge", "A=Sum"}).rfind("--merge: ", 0), 0u);
  EXPECT_NE(Refused({"--registry", "\\X", "--separator", "/"}).find("go with --vars"),
            std::string::npos);
}

} // namespace
} // namespace hostsim
