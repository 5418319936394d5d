// hostsim --options: its arguments, the item names taken from a packet file, and a run against
// the library whose dialog is closed with its close box (by the simulator's watch on Windows, by
// the dialog stand-in at once natively).
#include "options.h"
#include "options_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace hostsim {
namespace {

TEST(OptionsDialogArgs, ItemsAndCloseAfterGoWithOptions) {
  std::string error;
  auto o = ParseOptions({"--options", "--ini", "x.ini", "--items", "a,b", "--close-after", "500"},
                        error);
  ASSERT_TRUE(o) << error;
  EXPECT_TRUE(o->options);
  EXPECT_TRUE(o->itemsGiven);
  EXPECT_EQ(o->items, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(o->closeAfterMs, 500u);
  EXPECT_FALSE(ParseOptions({"--ini", "x.ini", "--items", "a"}, error));
  EXPECT_NE(error.find("--options"), std::string::npos);
  EXPECT_FALSE(ParseOptions({"--options=1", "--ini", "x.ini"}, error));
  EXPECT_FALSE(ParseOptions({"--options", "--vars", "A", "--bench", "2"}, error));
}

TEST(OptionsDialogArgs, ItemNamesInTheOrderTheyFirstOccur) {
  std::istringstream packets("# comment\n@100 b=1; a='x'\nbad line ==\nc=2 | b=3\n");
  EXPECT_EQ(ItemNamesOf(packets), (std::vector<std::string>{"b", "a", "c"}));
}

TEST(OptionsDialogArgs, RunPrintsTheOutcomeAndTheStoredSettings) {
  const auto ini = std::filesystem::temp_directory_path() / "hostsim-options-test.ini";
  std::ofstream(ini, std::ios::binary) << "[Common]\r\nVar1=temperature\r\n";
  std::string error;
  auto o = ParseOptions({"--options", "--ini", ini.string(), "--items", "temperature,humidity",
                         "--library", AGG_LIBRARY, "--close-after", "100"},
                        error);
  ASSERT_TRUE(o) << error;
  std::ostringstream out, err;
  const int status = RunOptionsDialog(*o, nullptr, out, err);
  std::filesystem::remove(ini);
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_NE(out.str().find("parser items: temperature, humidity"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("outcome 0 (closed without OK)"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("  Var1=temperature"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("  Width=389"), std::string::npos) << out.str();
}

} // namespace
} // namespace hostsim
