// The simulator against the real library, loaded as a host loads it.
#include "simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <fstream>
#include <sstream>

namespace hostsim {
namespace {

struct SimRun {
  int status = -1;
  std::string out;
  std::string err;
};

SimRun Simulate(std::vector<std::string> args, const std::string& input) {
  std::string error;
  auto options = ParseOptions(args, error);
  EXPECT_TRUE(options) << error;
  SimRun run;
  if (!options)
    return run;
  if (options->library.empty())
    options->library = AGG_LIBRARY;
  std::istringstream in(input);
  std::ostringstream out, err;
  run.status = RunSimulation(*options, in, "input", out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(EndToEnd, RowIsReleasedWhenEveryVariableHasAValue) {
  const SimRun run = Simulate({"--vars", "A,B"}, "A=1\n"
                                                 "B=2\n"
                                                 "B=3\n");
  EXPECT_EQ(run.status, kExitDone) << run.err;
  EXPECT_TRUE(Has(run.out, "library: " AGG_LIBRARY " (Aggregation)\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "\nrow 1: A=1 B=2\n")) << run.out;
  EXPECT_FALSE(Has(run.out, "row 2:")) << run.out;
  EXPECT_TRUE(Has(run.out, "summary: 3 packets, 1 row released, ")) << run.out;
}

TEST(EndToEnd, MarkersTextAndTheNoResetOption) {
  // Both rows of one packet merge into one released row; other names ride along.
  const SimRun merged = Simulate({"--vars", "A,B"}, "X='it''s' | A=1 | B=2.5 |\n");
  EXPECT_TRUE(Has(merged.out, "\nrow 1: X='it''s' A=1 B=2.5\n")) << merged.out;
  // With the reset option off every later packet releases the updated row.
  const SimRun grouped = Simulate({"--vars", "A,B", "--no-reset"}, "A=1\nB=2\nA=3\n");
  EXPECT_TRUE(Has(grouped.out, "\nrow 1: A=1 B=2\nrow 2: A=3 B=2\n")) << grouped.out;
}

TEST(EndToEnd, GapLongerThanTheTimeoutDiscardsTheCollectedValues) {
  const SimRun run = Simulate({"--vars", "A,B", "--timeout", "600"}, "A=1\n"
                                                                     "@900 B=2\n"
                                                                     "A=3\n");
  EXPECT_EQ(run.status, kExitDone) << run.err;
  EXPECT_TRUE(Has(run.out, "\nrow 1: B=2 A=3\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "summary: 3 packets, 1 row released, ")) << run.out;
}

TEST(EndToEnd, BadLinesAreNamedAndSkipped) {
  const SimRun run = Simulate({"--vars", "A,B"}, "A=1\n"
                                                 "# comment\n"
                                                 "B=2; temp\n"
                                                 "B=2\n");
  EXPECT_EQ(run.status, kExitBadInput);
  EXPECT_EQ(run.err, "input:3:10: expected '=' after name \"temp\" (line skipped)\n");
  EXPECT_TRUE(Has(run.out, "\nrow 1: A=1 B=2\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "summary: 2 packets, 1 row released, 1 bad line skipped")) << run.out;
}

TEST(EndToEnd, BenchCountsWithoutPrintingRows) {
  const SimRun run = Simulate({"--vars", "A,B", "--bench", "50"}, "A=1\n@5000 B=2\n");
  EXPECT_EQ(run.status, kExitDone) << run.err;
  EXPECT_FALSE(Has(run.out, "row 1:")) << run.out;
  EXPECT_TRUE(Has(run.out, "bench: 2 packets x 50 = 100 calls in ")) << run.out;
  EXPECT_TRUE(Has(run.out, " packets/s; 50 rows released, 0 failed calls")) << run.out;
  const SimRun bad = Simulate({"--vars", "A", "--bench", "5"}, "A=1\nA=\"x\n");
  EXPECT_EQ(bad.status, kExitBadInput);
  EXPECT_TRUE(Has(bad.err, "input:2:3: unterminated text")) << bad.err;
  EXPECT_FALSE(Has(bad.out, "library:")) << "the library is not loaded for bad input";
}

TEST(EndToEnd, SettingsFromAnIniFileWithASectionPrefix) {
  const std::string path = testing::TempDir() + "hostsim_e2e.ini";
  {
    std::ofstream ini(path, std::ios::binary);
    ini << "[Station.Common]\r\nVar1=A\r\nVar2=B\r\n";
  }
  const SimRun run = Simulate({"--ini", path, "--section-prefix", "Station"}, "A=1\nB=2\n");
  EXPECT_TRUE(Has(run.out, "section [Station.Common]")) << run.out;
  EXPECT_TRUE(Has(run.out, "\nrow 1: A=1 B=2\n")) << run.out;
  const SimRun missing = Simulate({"--ini", path + ".none"}, "A=1\n");
  EXPECT_EQ(missing.status, kExitUnusable);
  EXPECT_TRUE(Has(missing.err, "not found")) << missing.err;
}

TEST(EndToEnd, WeatherExampleReleasesRowsAndShowsTheTimeout) {
  std::ifstream packets(AGG_EXAMPLES_DIR "/weather.packets", std::ios::binary);
  ASSERT_TRUE(packets) << "examples/weather.packets";
  std::stringstream text;
  text << packets.rdbuf();
  const SimRun run = Simulate(
      {"--ini", AGG_EXAMPLES_DIR "/weather.ini", "--section-prefix", "Weather"}, text.str());
  EXPECT_EQ(run.status, kExitDone) << run.err;
  // One row per complete set of readings; the ride-along names keep their latest values.
  EXPECT_TRUE(Has(run.out, "\nrow 1: station='north' seq=3 temperature=17.9 humidity=61 "
                           "pressure=1012.9\n"))
      << run.out;
  // A Null humidity does not complete the row: the real value arriving later does.
  EXPECT_TRUE(Has(run.out, "\nrow 11: station='north' seq=34 temperature=18.2 pressure=1010.9 "
                           "humidity=64\n"))
      << run.out;
  // The 1.8 s gap discarded temperature and humidity: the row after it starts with the pressure.
  EXPECT_TRUE(Has(run.out, "\nrow 26: station='north' seq=81 pressure=1011.3 temperature=19.4 "
                           "humidity=60\n"))
      << run.out;
  EXPECT_TRUE(Has(run.out, "service='battery low, it''s 3.4 V'")) << run.out;
  EXPECT_TRUE(Has(run.out, "summary: 124 packets, 41 rows released, ")) << run.out;
}

std::string ExampleText(const char* name) {
  std::ifstream file(std::string(AGG_EXAMPLES_DIR "/") + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

/// The rows of a run without their numbers, in order.
std::vector<std::string> RowsOf(const std::string& out) {
  std::vector<std::string> rows;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind("row ", 0) == 0)
      rows.push_back(line.substr(line.find(':') + 2));
  return rows;
}

TEST(EndToEnd, StationsExampleGroupsAgesAndReleasesPartialRows) {
  const std::string packets = ExampleText("stations.packets");
  ASSERT_FALSE(packets.empty()) << "examples/stations.packets";
  const SimRun run = Simulate(
      {"--ini", AGG_EXAMPLES_DIR "/stations.ini", "--section-prefix", "Stations"}, packets);
  EXPECT_EQ(run.status, kExitDone) << run.err;
  const std::vector<std::string> rows = RowsOf(run.out);
  ASSERT_EQ(rows.size(), 12u) << run.out;
  // Interleaved stations: each row holds the readings of one station only.
  EXPECT_EQ(rows[0], "station='north' temperature=17.9 humidity=61");
  EXPECT_EQ(rows[1], "station='south' temperature=21.3 humidity=48");
  EXPECT_EQ(rows[2], "station='north' temperature=17.8 humidity=62");
  EXPECT_EQ(rows[3], "station='south' temperature=21.5 humidity=47");
  // The south row without humidity is ended by the age limit while packets keep coming, the
  // last one by the timeout once the station is silent; both go out with a Null humidity.
  const auto has = [&rows](const std::string& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  };
  EXPECT_TRUE(has("station='south' temperature=22.1 humidity= $ROW_STATUS$='age'")) << run.out;
  EXPECT_TRUE(has("station='south' temperature=22.2 humidity= $ROW_STATUS$='timeout'")) << run.out;
  EXPECT_EQ(rows.back(), "station='north' temperature=17.4 humidity=65");
  EXPECT_TRUE(Has(run.out, "summary: 26 packets, 12 rows released, ")) << run.out;
  EXPECT_TRUE(Has(run.out, "\ncounters: 26 packets, 12 rows (2 partial), 0 discarded, 0 groups "
                           "open, last reason: complete\n"))
      << run.out;

  // The simulator's options write the same settings as the example's INI file.
  const SimRun options = Simulate({"--vars", "temperature,humidity", "--timeout", "900",
                                   "--partial", "--age", "1900", "--group-by", "station"},
                                  packets);
  EXPECT_EQ(options.status, kExitDone) << options.err;
  EXPECT_TRUE(Has(options.out, "; partial rows released; age limit 1900 ms; grouped by station "
                               "(at most 256 groups) ("))
      << options.out;
  // (A late clock may move an ended south row past a north row; the rows stay the same.)
  std::vector<std::string> fromOptions = RowsOf(options.out), fromIni = rows;
  std::sort(fromOptions.begin(), fromOptions.end());
  std::sort(fromIni.begin(), fromIni.end());
  EXPECT_EQ(fromOptions, fromIni) << options.out;
}

TEST(EndToEnd, ReplayExampleGivesTheSameRowsWithAndWithoutTheDelays) {
  const std::string packets = ExampleText("replay.packets");
  ASSERT_FALSE(packets.empty()) << "examples/replay.packets";
  const std::vector<std::string> ini = {"--ini", AGG_EXAMPLES_DIR "/replay.ini", "--section-prefix",
                                        "Replay"};
  const auto withFlag = [&ini](const char* flag, const char* value = nullptr) {
    std::vector<std::string> args = ini;
    args.push_back(flag);
    if (value)
      args.push_back(value);
    return args;
  };
  // Half the recorded delays: the system clock sees every gap shorter than the timeout, so
  // only the packets' times can end the rows.
  const SimRun delayed = Simulate(withFlag("--time-scale", "0.5"), packets);
  const SimRun instant = Simulate(withFlag("--no-delays"), packets);
  EXPECT_EQ(instant.status, kExitDone) << instant.err;
  const std::vector<std::string> expected = {
      "time=10100 level=2.31 temperature=18.4",
      "time=11000 level=2.36 temperature= $ROW_STATUS$='age'",
      "time=11500 level=2.37 temperature=18.6",
      "time=11600 level=2.39 temperature= $ROW_STATUS$='timeout'",
      "time=12500 temperature=18.7 level=2.42"};
  EXPECT_EQ(RowsOf(instant.out), expected) << instant.out;
  EXPECT_EQ(RowsOf(delayed.out), expected) << delayed.out;
  EXPECT_TRUE(Has(instant.out, "\ncounters: 10 packets, 5 rows (2 partial), 0 discarded, 0 groups "
                               "open, last reason: complete\n"))
      << instant.out;

  // The simulator's options write the same settings as the example's INI file.
  const SimRun options =
      Simulate({"--vars", "level,temperature", "--timeout", "600", "--age", "1000", "--partial",
                "--time-var", "time", "--time-jump", "60000", "--no-delays"},
               packets);
  EXPECT_TRUE(Has(options.out, "; packet time from time (a jump over 60000 ms is a restart) ("))
      << options.out;
  EXPECT_EQ(RowsOf(options.out), expected) << options.out;
}

TEST(EndToEnd, SettingsLineNamesTheMergeStrategies) {
  const SimRun run = Simulate(
      {"--vars", "A,B", "--merge", "a=sum", "--merge", "B=Concat", "--separator", " / "}, "A=1\n");
  EXPECT_EQ(run.status, kExitDone) << run.err;
  EXPECT_TRUE(Has(run.out, "; reset after each row; merged: A by Sum, B by Concat (separator "
                           "' / ') (temporary INI file "))
      << run.out;
}

TEST(EndToEnd, MergeStrategiesShapeTheRow) {
  // A receives 3, 5, a Null and 4 before B completes the row; X rides along with its latest.
  const std::pair<const char*, const char*> cases[] = {
      {"Last", "A=4"}, {"First", "A=3"}, {"Sum", "A=12"},  {"Min", "A=3"},
      {"Max", "A=5"},  {"Mean", "A=4"},  {"Count", "A=3"}, {"Concat", "A='3, 5, 4'"}};
  for (const auto& [strategy, value] : cases) {
    const SimRun run = Simulate({"--vars", "A,B", "--merge", std::string("a=") + strategy},
                                "A=3; X=1\nA=5; X=2\nA=\nA=4\nB=1\n");
    EXPECT_EQ(RowsOf(run.out), std::vector<std::string>{std::string(value) + " X=2 B=1"})
        << strategy << "\n"
        << run.out;
  }
  // Without the reset the sum runs on over the rows.
  const SimRun kept =
      Simulate({"--vars", "A,B", "--merge", "A=Sum", "--no-reset"}, "A=3\nB=1\nA=5\n");
  EXPECT_EQ(RowsOf(kept.out), (std::vector<std::string>{"A=3 B=1", "A=8 B=1"})) << kept.out;
  // A text is left out of a sum: it neither completes the row nor shows in it.
  const SimRun misfits =
      Simulate({"--vars", "A,B", "--merge", "A=Sum"}, "A='x'\nB=1\nA=2\nA='y'\n");
  EXPECT_EQ(RowsOf(misfits.out), std::vector<std::string>{"B=1 A=2"}) << misfits.out;
  const std::string logLine = "A value of \"A\" that is not a number was left out of its Sum";
  const std::size_t first = misfits.out.find(logLine);
  EXPECT_NE(first, std::string::npos) << misfits.out;
  EXPECT_EQ(misfits.out.find(logLine, first + 1), std::string::npos) << "once after the load";
  EXPECT_TRUE(Has(misfits.out, ", 2 misfits left out\n")) << misfits.out;
}

// "Keep pending rows": half a row sent by one host is completed by the other half sent by the
// next, in one process that unloads and loads the library's instance again, and across two
// processes that run one after the other.
TEST(EndToEnd, PendingRowsSurviveARestartOfTheHost) {
  const std::string dir = testing::TempDir();
  const std::string ini = dir + "hostsim_keep.ini", state = dir + "hostsim_keep.pending";
  std::ofstream(ini, std::ios::binary) << "[Common]\r\nVar1=A\r\nVar2=B\r\n"
                                       << "Keep pending rows=True\r\n";
  std::remove(state.c_str());
  EXPECT_FALSE(Has(Simulate({"--ini", ini}, "A=1\n").out, "row 1:"));
  EXPECT_TRUE(Has(Simulate({"--ini", ini}, "B=2\n").out, "\nrow 1: A=1 B=2\n"));

  const auto host = [&](const std::string& input, const std::string& output) {
    std::ofstream(dir + input, std::ios::binary) << input.substr(0, 1) << "=3\n";
    const std::string command = std::string(AGG_HOSTSIM) + " --library " + AGG_LIBRARY + " --ini " +
                                ini + " --input " + dir + input + " > " + dir + output;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(dir + output, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_FALSE(Has(host("A.packets", "first.txt"), "row 1:"));
  const std::string second = host("B.packets", "second.txt");
  EXPECT_TRUE(Has(second, "row 1: A=3 B=3")) << second;
  EXPECT_FALSE(std::ifstream(state).good()) << "no file while no row waits";
}

TEST(EndToEnd, UnusableLibrariesAreReportedWithStatus2) {
  const SimRun missing = Simulate({"--vars", "A", "--library", "no-such-library.bin"}, "A=1\n");
  EXPECT_EQ(missing.status, kExitUnusable);
  EXPECT_TRUE(Has(missing.err, "hostsim: cannot load no-such-library.bin")) << missing.err;
#ifdef _WIN32
  const char* other = "kernel32.dll";
#else
  const char* other = "libm.so.6";
#endif
  const SimRun wrong = Simulate({"--vars", "A", "--library", other}, "A=1\n");
  EXPECT_EQ(wrong.status, kExitUnusable);
  EXPECT_TRUE(Has(wrong.err, "is not a plug-in module: it lacks the export(s) "
                             "GetPluginIntfVersion, ExecutePluginCommand, ProcessData"))
      << wrong.err;
}

} // namespace
} // namespace hostsim
