// The aggregation engine through the real library, configured from an INI file given to LOAD.
#include "host_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Value {
  std::string name;
  std::string text; // integers as decimal text; "|" as name marks a row
};

class Aggregation : public HostTest {
protected:
  void TearDown() override {
    if (handle_) {
      // The same INI file on the way out: the module saves nothing elsewhere.
      hostkit::HostList params;
      params.AddText("COMMAND", "UNLOAD");
      params.AddText("INI-FILE", ini_.string());
      RecordBytes unload;
      unload.Handle(handle_).Params(params.Raw());
      X().ExecutePluginCommand(unload.Rec());
      RecordBytes release;
      release.Handle(handle_).Action(ZET_ACTION_RELEASE);
      X().GetModuleType(release.Rec());
      handle_ = 0;
    }
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  /// Loads a fresh instance whose settings are the lines of the INI section "Common".
  void Load(const std::vector<std::string>& common) {
    ini_ = std::filesystem::temp_directory_path() /
           ("agg-host-" + std::to_string(FreshHandle()) + ".ini");
    std::ofstream out(ini_, std::ios::binary);
    out << "[Common]\r\n";
    for (const std::string& line : common)
      out << line << "\r\n";
    out.close();
    handle_ = FreshHandle();
    hostkit::HostList params;
    params.AddText("COMMAND", "LOAD");
    params.AddText("INI-FILE", ini_.string());
    RecordBytes r;
    r.Handle(handle_).Params(params.Raw());
    ASSERT_EQ(X().ExecutePluginCommand(r.Rec()), 0);
  }

  int32_t Command(const char* word) {
    hostkit::HostList params;
    params.AddText("COMMAND", word);
    RecordBytes r;
    r.Handle(handle_).Params(params.Raw());
    return X().ExecutePluginCommand(r.Rec());
  }

  /// One packet; Rows gets the released rows as "A=1 B=2|".
  int32_t Send(const std::vector<Value>& values, std::string& rows) {
    hostkit::HostList packet, params;
    for (const Value& v : values) {
      if (v.name == "|")
        packet.AddMarker();
      else
        packet.AddInt(v.name, std::stoi(v.text));
    }
    RecordBytes r;
    r.Handle(handle_).Params(params.Raw()).Types(ZET_MTT_FILTER);
    r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
    const int32_t result = X().ProcessData(r.Rec());
    rows.clear();
    if (r.OutputKind() == ZET_KIND_LIST) {
      EXPECT_EQ(hostkit::ListClassName(reinterpret_cast<void*>(r.OutputData())),
                "TzetRowsParamsList");
      for (const auto& item : hostkit::ReadList(reinterpret_cast<void*>(r.OutputData()))) {
        if (item.name == ZET_ROW_MARKER) {
          rows += "|";
        } else {
          if (!rows.empty() && rows.back() != '|')
            rows += " ";
          rows += item.name + "=" + item.text;
        }
      }
    } else {
      rows = "<none>";
    }
    EXPECT_EQ(r.InputData(), 0u);
    return result;
  }

  std::filesystem::path ini_;
  uint32_t handle_ = 0;
};

TEST_F(Aggregation, TwoVariablesInSeparatePackets) {
  Load({"Var1=A", "Var2=B"});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  EXPECT_EQ(rows, ""); // the empty output list
  EXPECT_EQ(Send({{"B", "2"}}, rows), 0);
  EXPECT_EQ(rows, "A=1 B=2|");
  EXPECT_EQ(Send({{"B", "3"}}, rows), -2);
}

TEST_F(Aggregation, OtherValuesRideAlongAndCaseIsIgnored) {
  Load({"Var1=A"});
  std::string rows;
  EXPECT_EQ(Send({{"X", "5"}, {"A", "1"}}, rows), 0);
  EXPECT_EQ(rows, "X=5 A=1|");
}

TEST_F(Aggregation, ConfiguredNameMatchesRegardlessOfCase) {
  Load({"Var1=temp"});
  std::string rows;
  EXPECT_EQ(Send({{"TEMP", "7"}}, rows), 0);
  EXPECT_EQ(rows, "TEMP=7|");
}

TEST_F(Aggregation, SameVariableTwiceNeverReleases) {
  Load({"Var1=A", "Var2=A"});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  EXPECT_EQ(Send({{"A", "2"}}, rows), -2);
}

TEST_F(Aggregation, RowMarkersInsideAPacket) {
  Load({"Var1=A"});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}, {"|", ""}, {"B", "2"}, {"|", ""}}, rows), 0);
  EXPECT_EQ(rows, "A=1|");
}

TEST_F(Aggregation, RowMarkersMergeIntoOneRow) {
  Load({"Var1=A", "Var2=B"});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}, {"|", ""}, {"B", "2"}, {"|", ""}}, rows), 0);
  EXPECT_EQ(rows, "A=1 B=2|");
}

TEST_F(Aggregation, TimeoutBetweenPackets) {
  Load({"Var1=A", "Var2=B", "Timeout=1000"});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_EQ(Send({{"B", "2"}}, rows), 0);
  EXPECT_EQ(rows, "A=1 B=2|");
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(Send({{"B", "2"}}, rows), -2); // A was discarded first
}

TEST_F(Aggregation, FractionalAndNegativeTimeouts) {
  Load({"Var1=A", "Var2=B", "Timeout=-1"}); // 4294967295 ms: never within a test
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Send({{"B", "2"}}, rows), 0);
  TearDown();
  Load({"Var1=A", "Var2=B", "Timeout=200.9"});
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Send({{"B", "2"}}, rows), -2);
}

TEST_F(Aggregation, WithoutResetEveryPacketReleasesTheRowAgain) {
  Load({"Var1=A", "Var2=B", "No reset=True"});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}}, rows), -2);
  EXPECT_EQ(Send({{"B", "2"}}, rows), 0);
  EXPECT_EQ(rows, "A=1 B=2|");
  EXPECT_EQ(Send({{"A", "3"}}, rows), 0);
  EXPECT_EQ(rows, "A=3 B=2|");
}

TEST_F(Aggregation, NoStoredVariablesReleasesNothing) {
  Load({});
  std::string rows;
  EXPECT_EQ(Send({{"A", "1"}}, rows), 0);
  EXPECT_EQ(rows, "<none>");
}

} // namespace
