// The host log channel through the real library, with the host's message window on its own
// thread as a real host runs it.
#ifdef _WIN32

#include "host_fixture.h"
#include "host_message_window.h"

#include <chrono>
#include <string>

namespace {

class HostLog : public HostTest {
protected:
  int32_t Load(uint32_t handle, HWND window, uint32_t index) {
    hostkit::HostList params;
    params.AddText("COMMAND", "LOAD");
    params.AddInt("MessagesProcessorHandle",
                  static_cast<int32_t>(reinterpret_cast<uintptr_t>(window)));
    RecordBytes r;
    r.Handle(handle).Index(index).Params(params.Raw());
    return X().ExecutePluginCommand(r.Rec());
  }
  /// An export-module data call without input: the module logs its no-data message.
  void NoData(uint32_t handle) {
    hostkit::HostList params;
    RecordBytes r;
    r.Handle(handle).Params(params.Raw()).Types(ZET_MTT_DATA_EXPORT);
    EXPECT_EQ(X().ProcessData(r.Rec()), 0);
  }
  /// A failed command: its report is queued as a failure line.
  void FailCommand(uint32_t handle) {
    hostkit::HostList params;
    params.AddText("COMMAND", "X");
    params.Raw()->Signature = 0;
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), -3);
    params.Raw()->Signature = ZET_LIST_SIGNATURE;
  }
  int32_t GetLog(uint32_t handle, char* buffer, int32_t size, uintptr_t* length) {
    hostkit::HostList params;
    RecordBytes r;
    r.Handle(handle)
        .Params(params.Raw())
        .Input(ZET_KIND_NONE, reinterpret_cast<uintptr_t>(buffer), size);
    const int32_t result = X().GetLogEx(r.Rec());
    EXPECT_EQ(r.OutputKind(), ZET_KIND_INTEGER);
    *length = r.OutputData();
    return result;
  }
};

TEST_F(HostLog, LineArrivesAsCopyDataWithTheModuleIndex) {
  HostMessageWindow host;
  const uint32_t h = FreshHandle();
  ASSERT_EQ(Load(h, host.Handle(), 42), 0);
  NoData(h);
  auto seen = host.CopyDataSeen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].wParam, 42u);
  EXPECT_EQ(seen[0].dwData, 2u);
  EXPECT_EQ(seen[0].bytes, std::string("\x02") + "Aggregation. No data for processing");

  // A packet handled for an events-handling role reports its success at level 2.
  hostkit::HostList params, packet;
  packet.AddInt("A", 1);
  RecordBytes r;
  r.Handle(h).Params(params.Raw()).Types(ZET_MTT_FILTER | ZET_MTT_EVENTS_HANDLING);
  r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
  EXPECT_EQ(X().ProcessData(r.Rec()), 0); // no variables configured: no row, no failure
  seen = host.CopyDataSeen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].dwData, 2u);
  EXPECT_EQ(seen[1].bytes,
            std::string("\x03") + "Aggregation. Data have been processed successfully");
}

TEST_F(HostLog, UnresponsiveHostGetsTheLineThroughGetLogEx) {
  HostMessageWindow host;
  const uint32_t h = FreshHandle();
  ASSERT_EQ(Load(h, host.Handle(), 7), 0);
  host.Stall(4000); // well beyond the 1000 ms the send may wait, also on a loaded machine
  ::Sleep(50);      // the window's thread is now inside the stall
  const auto start = std::chrono::steady_clock::now();
  NoData(h);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::milliseconds(3500));
  ASSERT_TRUE(host.WaitForPending(1));
  EXPECT_EQ(host.LastPendingWParam(), 7u);

  char buffer[256];
  uintptr_t length = 0;
  const std::string line = std::string("\x02") + "Aggregation. No data for processing\r\n";
  EXPECT_EQ(GetLog(h, buffer, sizeof buffer, &length), static_cast<int32_t>(line.size()));
  EXPECT_EQ(std::string(buffer, length), line);
  EXPECT_EQ(GetLog(h, buffer, sizeof buffer, &length), 0); // taken
  EXPECT_EQ(length, 0u);
}

TEST_F(HostLog, RepeatedFailureLinesFoldAndTheBufferProtocol) {
  HostMessageWindow host;
  const uint32_t h = FreshHandle();
  ASSERT_EQ(Load(h, host.Handle(), 1), 0);
  for (int i = 0; i < 3; ++i)
    FailCommand(h);
  ASSERT_TRUE(host.WaitForPending(3));

  char buffer[512];
  uintptr_t length = 0;
  ASSERT_EQ(GetLog(h, nullptr, 0, &length), 0); // size 0 discards; learn the size first
  // The lines are gone now; queue them again.
  for (int i = 0; i < 3; ++i)
    FailCommand(h);
  EXPECT_EQ(GetLog(h, buffer, 0 + 1, &length), 0); // far too small: the lines stay
  const uintptr_t needed = length;
  ASSERT_GT(needed, 10u);
  EXPECT_EQ(GetLog(h, buffer, static_cast<int32_t>(needed - 1), &length), 0); // one byte short
  EXPECT_EQ(length, needed);
  EXPECT_EQ(GetLog(h, buffer, sizeof buffer, &length), static_cast<int32_t>(needed));
  const std::string text(buffer, needed);
  EXPECT_EQ(text.front(), '\x01');
  EXPECT_NE(text.find("Aggregation. {CMD?} Invalid call parameters"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 5), " x3\r\n");
  EXPECT_EQ(text.find("\r\n"), text.size() - 2); // one folded line
}

} // namespace

#endif
