// The export table seen from a host: descriptor answers, the instance rules of the call record,
// and the module-information size protocol.
#include "host_fixture.h"

#include <string>
#include <vector>

namespace {

class ExportTable : public HostTest {
protected:
  /// A live instance answers GetData with something other than -1; a missing one with -1.
  bool InstanceExists(uint32_t handle) {
    hostkit::HostList params;
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    return X().GetData(r.Rec()) != ZET_RESULT_REJECTED;
  }
};

TEST_F(ExportTable, DescriptorAnswersOfTheAggregationModule) {
  RecordBytes r;
  r.Handle(FreshHandle());
  EXPECT_EQ(X().GetPluginIntfVersion(), 4);
  EXPECT_EQ(X().GetModuleType(r.Rec()), 0x00000020u);
  EXPECT_STREQ(X().GetModuleDescription(r.Rec()), "Aggregation");
  EXPECT_FLOAT_EQ(X().GetAppMinVersion(r.Rec()), 4.0f);
  EXPECT_EQ(X().MultiThreadSupport(r.Rec()) & 0xFF, 1);
  X().madTraceProcess();
}

TEST_F(ExportTable, HandleZeroReachesNoInstance) {
  hostkit::HostList params;
  RecordBytes r;
  r.Handle(0).Params(params.Raw());
  EXPECT_EQ(X().GetModuleType(r.Rec()), 0u);
  EXPECT_EQ(X().GetModuleDescription(r.Rec()), nullptr);
  EXPECT_FLOAT_EQ(X().GetAppMinVersion(r.Rec()), -1.0f);
  EXPECT_EQ(X().MultiThreadSupport(r.Rec()) & 0xFF, 0);
  EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), -1);
  EXPECT_EQ(X().ProcessData(r.Rec()), -1);
  EXPECT_EQ(X().GetData(r.Rec()), -1);
  EXPECT_EQ(X().GetEvents(r.Rec()), -1);
  EXPECT_EQ(X().GetLogEx(r.Rec()), 0);
  EXPECT_EQ(X().GetCustomCommands(r.Rec()), 0);
  uint32_t required = 99;
  EXPECT_EQ(X().GetModuleInfo(r.Rec(), nullptr, &required) & 0xFF, 0);
  EXPECT_EQ(required, 0u);
  X().ShowOptionsDialog(r.Rec());
  EXPECT_EQ(r.OutputKind(), ZET_KIND_INTEGER);
  EXPECT_EQ(r.OutputSize(), 4);
  EXPECT_EQ(r.OutputData(), 2u);
}

TEST_F(ExportTable, DataAndLogExportsDoNotCreateInstances) {
  const uint32_t handle = FreshHandle();
  hostkit::HostList params;
  RecordBytes r;
  r.Handle(handle).Params(params.Raw());
  EXPECT_EQ(X().GetData(r.Rec()), -1);
  EXPECT_EQ(X().GetEvents(r.Rec()), -1);
  EXPECT_EQ(X().GetLogEx(r.Rec()), 0);
  EXPECT_FALSE(InstanceExists(handle));
  // A descriptor export creates it.
  EXPECT_EQ(X().GetModuleType(r.Rec()), 0x00000020u);
  EXPECT_TRUE(InstanceExists(handle));
}

TEST_F(ExportTable, ReleaseDestroysTheInstanceOnce) {
  const uint32_t handle = FreshHandle();
  RecordBytes r;
  r.Handle(handle);
  ASSERT_EQ(X().GetModuleType(r.Rec()), 0x20u);
  ASSERT_TRUE(InstanceExists(handle));
  r.Action(ZET_ACTION_RELEASE);
  EXPECT_EQ(X().GetModuleType(r.Rec()), 0u);
  EXPECT_FALSE(InstanceExists(handle));
  // A second release finds nothing, destroys nothing and creates nothing.
  EXPECT_EQ(X().GetModuleDescription(r.Rec()), nullptr);
  EXPECT_FALSE(InstanceExists(handle));
}

TEST_F(ExportTable, ShutdownNoticeAndWrongTagReachNoInstance) {
  const uint32_t handle = FreshHandle();
  RecordBytes shutdown;
  shutdown.Handle(handle).Action(ZET_ACTION_SHUTDOWN);
  EXPECT_EQ(X().ExecutePluginCommand(shutdown.Rec()), -1);
  EXPECT_EQ(X().GetModuleType(shutdown.Rec()), 0u);
  EXPECT_FALSE(InstanceExists(handle));

  hostkit::HostList params;
  RecordBytes wrongTag;
  wrongTag.Tag(101).Handle(handle).Params(params.Raw());
  EXPECT_EQ(X().ExecutePluginCommand(wrongTag.Rec()), -1);
  EXPECT_EQ(X().ProcessData(wrongTag.Rec()), -1);
  EXPECT_FALSE(InstanceExists(handle));

  RecordBytes noParams;
  noParams.Handle(handle);
  EXPECT_EQ(X().ExecutePluginCommand(noParams.Rec()), -1);
  EXPECT_EQ(X().ExecutePluginCommand(nullptr), -1);
  EXPECT_EQ(X().GetModuleType(nullptr), 0u);
}

TEST_F(ExportTable, ModuleInfoSizeProtocol) {
  RecordBytes r;
  r.Handle(FreshHandle());
  // The header is 33 bytes in a 32-bit process (its two text addresses widen in a 64-bit one).
  const uint32_t header = sizeof(TPluginModuleInfo);
  const uint32_t expected = header + 11; // header + "Aggregation"; no custom commands

  uint32_t required = 0;
  EXPECT_EQ(X().GetModuleInfo(r.Rec(), nullptr, &required) & 0xFF, 0);
  EXPECT_EQ(required, expected);

  // Room for the header only: it is filled, the texts are not.
  std::vector<unsigned char> small(header, 0xEE);
  auto* info = reinterpret_cast<TPluginModuleInfo*>(small.data());
  info->Size = header;
  required = 0;
  EXPECT_EQ(X().GetModuleInfo(r.Rec(), info, &required) & 0xFF, 0);
  EXPECT_EQ(required, expected);
  EXPECT_EQ(+info->Size, header);
  EXPECT_EQ(+info->TypeWord, 0x20u);
  EXPECT_EQ(+info->IntfVersion, 4u);
  EXPECT_FLOAT_EQ(+info->MinVersion, 4.0f);
  EXPECT_EQ(+info->MultiThread, 1);
  EXPECT_EQ(+info->DescriptionLength, 0u);
  EXPECT_EQ(+info->DescriptionText, 0u);
  EXPECT_EQ(+info->CommandsLength, 0u);
  EXPECT_EQ(+info->CommandsText, 0u);

  // A buffer smaller than the header gets nothing but the size.
  std::vector<unsigned char> tiny(header + 8, 0xEE);
  info = reinterpret_cast<TPluginModuleInfo*>(tiny.data());
  info->Size = header - 1;
  EXPECT_EQ(X().GetModuleInfo(r.Rec(), info, &required) & 0xFF, 0);
  EXPECT_EQ(tiny[4], 0xEE);

  // A large buffer: the description follows the header (offset 33), and Size is kept.
  std::vector<unsigned char> large(256, 0xEE);
  info = reinterpret_cast<TPluginModuleInfo*>(large.data());
  info->Size = 200;
  EXPECT_EQ(X().GetModuleInfo(r.Rec(), info, &required) & 0xFF, 1);
  EXPECT_EQ(+info->Size, 200u);
  EXPECT_EQ(+info->DescriptionLength, 11u);
  EXPECT_EQ(+info->DescriptionText, reinterpret_cast<uintptr_t>(large.data() + header));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(large.data() + header), 11), "Aggregation");
  EXPECT_EQ(+info->CommandsLength, 0u);
  EXPECT_EQ(large[header + 11], 0xEE); // nothing written past the texts

  // The buffer of exactly the required size is enough.
  std::vector<unsigned char> exact(expected);
  info = reinterpret_cast<TPluginModuleInfo*>(exact.data());
  info->Size = expected;
  EXPECT_EQ(X().GetModuleInfo(r.Rec(), info, nullptr) & 0xFF, 1);
}

TEST_F(ExportTable, LiveInstanceAnswersOfTheExportsStillToCome) {
  hostkit::HostList params;
  RecordBytes r;
  r.Handle(FreshHandle()).Params(params.Raw());
  ASSERT_EQ(X().GetModuleType(r.Rec()), 0x20u);
  EXPECT_EQ(X().GetCustomCommands(r.Rec()), 0); // not a menu extension: no commands text
  EXPECT_EQ(r.OutputKind(), ZET_KIND_INTEGER);
  EXPECT_EQ(r.OutputData(), 0u);
  // ShowOptionsDialog on a live instance opens the dialog: options_dialog_test.cpp drives it.
}

} // namespace
