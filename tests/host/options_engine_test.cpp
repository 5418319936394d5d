// The engine's advanced options through the real library, on the system clock: the silent
// sensor, two interleaved stations, the counters and their reset, the stored keys.
#include "module_session.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::this_thread::sleep_for;

class OptionsEngineHost : public HostTest {};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(OptionsEngineHost, SilentHumiditySensor) {
  std::string rows;
  {
    // The age limit ends the row the silent sensor never completes, though Temp keeps coming.
    ModuleSession m({"Var1=Temp", "Var2=Hum", "Release partial rows=True", "Age limit=600"});
    EXPECT_EQ(m.Send({{"Temp", 1}}, rows), -2);
    sleep_for(milliseconds(100));
    EXPECT_EQ(m.Send({{"Temp", 2}}, rows), -2);
    sleep_for(milliseconds(800));
    EXPECT_EQ(m.Send({{"Temp", 3}}, rows), 0);
    EXPECT_EQ(rows, "Temp=2 Hum= $ROW_STATUS$=age|");
    EXPECT_EQ(m.Get("Stats.Partial").text, "1");
    EXPECT_EQ(m.Get("Stats.LastReason").text, "age");
  }
  {
    // Without reset, its last value stops riding along once older than the lifetime.
    ModuleSession m({"Var1=Temp", "Var2=Hum", "No reset=True", "Value lifetime=600"});
    EXPECT_EQ(m.Send({{"Temp", 1}, {"Hum", 40}}, rows), 0);
    EXPECT_EQ(m.Send({{"Temp", 2}}, rows), 0);
    EXPECT_EQ(rows, "Temp=2 Hum=40|");
    sleep_for(milliseconds(800));
    EXPECT_EQ(m.Send({{"Temp", 3}}, rows), -2);
    EXPECT_EQ(m.Send({{"Hum", 41}}, rows), 0);
    EXPECT_EQ(rows, "Temp=3 Hum=41|");
  }
  {
    // The timeout releases what the row holds before the packet that comes too late.
    ModuleSession m({"Var1=Temp", "Var2=Hum", "Release partial rows=True", "Timeout=600"});
    EXPECT_EQ(m.Send({{"Temp", 1}}, rows), -2);
    sleep_for(milliseconds(800));
    EXPECT_EQ(m.Send({{"Temp", 2}, {"Hum", 50}}, rows), 0);
    EXPECT_EQ(rows, "Temp=1 Hum= $ROW_STATUS$=timeout|Temp=2 Hum=50|");
    EXPECT_EQ(m.Get("Stats.Rows").text, "2");
  }
}

TEST_F(OptionsEngineHost, TwoInterleavedStations) {
  ModuleSession m({"Var1=A", "Var2=B", "Group by=Station"});
  std::string rows;
  EXPECT_EQ(m.Send({{"Station", 1}, {"A", 10}}, rows), -2);
  EXPECT_EQ(m.Send({{"Station", 2}, {"A", 20}}, rows), -2);
  EXPECT_EQ(m.Send({{"Station", 2}, {"B", 21}}, rows), 0);
  EXPECT_EQ(rows, "Station=2 A=20 B=21|");
  EXPECT_EQ(m.Get("Stats.Groups").text, "1");
  EXPECT_EQ(m.Send({{"Station", 1}, {"B", 11}}, rows), 0);
  EXPECT_EQ(rows, "Station=1 A=10 B=11|");
  EXPECT_EQ(m.Get("Stats.Groups").text, "0");
}

TEST_F(OptionsEngineHost, CountersAndTheirReset) {
  ModuleSession m({"Var1=A", "Var2=B"});
  std::string rows;
  EXPECT_EQ(m.Get("Stats.LastReason").text, "");
  for (int i = 0; i < 5; ++i)
    m.Send({{"A", i}, {"B", i}}, rows);
  m.Send({{"A", 9}}, rows);
  EXPECT_EQ(m.Get("Stats.Packets").text, "6");
  EXPECT_EQ(m.Get("Stats.Rows").text, "5");
  EXPECT_EQ(m.Get("Stats.Groups").text, "1");
  EXPECT_EQ(m.Get("Stats.LastReason").text, "complete");
  EXPECT_EQ(m.Command("RESET-STATS"), 0);
  EXPECT_EQ(m.Get("Stats.Packets").text, "0");
  EXPECT_EQ(m.Get("Stats.Rows").text, "0");
  EXPECT_EQ(m.Get("Stats.LastReason").text, "");
  EXPECT_EQ(m.Get("Stats.Groups").text, "1");
}

TEST_F(OptionsEngineHost, AdvancedKeysAreSavedWithTheOthers) {
  ModuleSession m({"Var1=A", "Release partial rows=True", "Age limit=250", "Group by=Station",
                   "Max groups=16"});
  EXPECT_EQ(
      m.Command("SAVE-SETTINGS-NOW", [&](hostkit::HostList& p) { p.AddText("INI-FILE", m.Ini()); }),
      -2);
  const std::string text = FileText(m.Ini());
  for (const char* line :
       {"Release partial rows=True", "Age limit=250", "Group by=Station", "Max groups=16"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("Value lifetime"), std::string::npos) << "at its default\n" << text;
}

} // namespace
