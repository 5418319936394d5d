// Commands through the real library: LOAD and UNLOAD counting and data calls after the last
// UNLOAD.
#include "host_fixture.h"

#include <cstring>
#include <string>

namespace {

class Commands : public HostTest {
protected:
  int32_t Command(uint32_t handle, const char* word) {
    hostkit::HostList params;
    params.AddText("COMMAND", word);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    return X().ExecutePluginCommand(r.Rec());
  }
  /// Sends one packet A=1 through ProcessData for a filter; answers the result.
  int32_t Packet(uint32_t handle, RecordBytes& r, hostkit::HostList& packet) {
    static hostkit::HostList params;
    r.Handle(handle).Params(params.Raw()).Types(ZET_MTT_FILTER);
    r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()), 0);
    return X().ProcessData(r.Rec());
  }
};

TEST_F(Commands, LoadTwiceUnloadTwiceThenDataCallsAreRefused) {
  const uint32_t h = FreshHandle();
  EXPECT_EQ(Command(h, "LOAD"), 0);
  EXPECT_EQ(Command(h, "LOAD"), 0);
  EXPECT_EQ(Command(h, "UNLOAD"), 0);
  hostkit::HostList packet;
  packet.AddInt("A", 1);
  RecordBytes r;
  EXPECT_GE(Packet(h, r, packet), -2); // still loaded: the data call is served
  EXPECT_EQ(Command(h, "UNLOAD"), 0);  // the last UNLOAD
  RecordBytes after;
  EXPECT_EQ(Packet(h, after, packet), -1);
  EXPECT_EQ(Command(h, "UNLOAD"), 0); // the count stays at 0
  RecordBytes again;
  EXPECT_EQ(Packet(h, again, packet), -1);
}

TEST_F(Commands, WordsAreCaseSensitiveAndNeedTheCommandItem) {
  const uint32_t h = FreshHandle();
  EXPECT_EQ(Command(h, "load"), -2);
  hostkit::HostList noCommand;
  RecordBytes r;
  r.Handle(h).Params(noCommand.Raw());
  EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), -1);
}

TEST_F(Commands, ParameterListWithoutTheSignatureFails) {
  const uint32_t h = FreshHandle();
  hostkit::HostList params;
  params.AddText("COMMAND", "LOAD");
  params.Raw()->Signature = 0;
  RecordBytes r;
  r.Handle(h).Params(params.Raw());
  EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), -3);
  params.Raw()->Signature = ZET_LIST_SIGNATURE;
}

} // namespace
