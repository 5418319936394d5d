// The host session against the real library: the log channel and the end of a session.
#include "host_session.h"
#include "settings_file.h"
#include "simulator.h"

#include <gtest/gtest.h>

namespace hostsim {
namespace {

class Session : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    GeneratedSettings settings;
    settings.vars = {"A", "B"};
    ASSERT_TRUE(ini_.Create(SettingsIniText(settings, ""), error)) << error;
    ASSERT_TRUE(session_.Open(AGG_LIBRARY, error)) << error;
    ASSERT_TRUE(session_.Load({ini_.Path(), "", "", ""}, error)) << error;
  }

  int32_t Send(const char* name, int32_t value, std::vector<Row>* rows = nullptr) {
    hostkit::HostList packet;
    packet.AddInt(name, value);
    return session_.Process(packet, rows, nullptr);
  }

  TemporaryFile ini_;
  HostSession session_;
};

TEST_F(Session, LogLinesOfACallAreThereWhenItReturns) {
  EXPECT_EQ(session_.Description(), "Aggregation");
  EXPECT_TRUE(session_.TakeLog().empty());
  // In the export role the module reports every processed packet to the host log.
  session_.SetModuleTypes(ZET_MTT_FILTER | ZET_MTT_DATA_EXPORT);
  EXPECT_EQ(Send("A", 1), ZET_RESULT_NOTHING_DONE);
  auto log = session_.TakeLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].level, 1);
  EXPECT_EQ(log[0].text, "Aggregation. Data have been processed with errors");
  std::vector<Row> rows;
  EXPECT_EQ(Send("B", 2, &rows), ZET_RESULT_DONE);
  log = session_.TakeLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].level, 2);
  EXPECT_EQ(log[0].text, "Aggregation. Data have been processed successfully");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(FormatRow(1, rows[0]), "row 1: A=1 B=2");
  EXPECT_TRUE(session_.TakeLog().empty());
}

TEST_F(Session, NothingReachesTheLibraryAfterClose) {
  EXPECT_EQ(Send("A", 1), ZET_RESULT_NOTHING_DONE);
  session_.Close();
  session_.Close();
  EXPECT_EQ(Send("B", 2), ZET_RESULT_REJECTED);
  EXPECT_TRUE(session_.TakeLog().empty());
  std::string error;
  EXPECT_FALSE(session_.Load({}, error));
}

} // namespace
} // namespace hostsim
