#include "test_plugin.h"

#include <cstring>

namespace {

class DataPath : public FrameTest {
protected:
  static constexpr uint8_t kFilter = ZET_MTT_FILTER;
  static constexpr uint8_t kExport = ZET_MTT_DATA_EXPORT;

  void Load(uint32_t handle) { ASSERT_EQ(Command(handle, "LOAD"), 0); }
  static void SetInput(TPluginCallRec& r, void* list, uint8_t kind = ZET_KIND_LIST) {
    r.Input.Kind = kind;
    r.Input.Data = reinterpret_cast<uintptr_t>(list);
  }
};

TEST_F(DataPath, FilterWithoutHandlerPassesThePacketThrough) {
  Load(1);
  TzetParamsList params, packet;
  packet.Add("A", rtl::Variant::Int32(1));
  TPluginCallRec r = Rec(1, &params, kFilter);
  SetInput(r, &packet);
  r.Input.Reserved = 0xABCD;
  r.Input.Size = 12;
  const TPluginDataDesc input = r.Input;
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_EQ(std::memcmp(&r.Output, &input, sizeof input), 0);
  EXPECT_EQ(+r.Input.Data, 0u);
}

TEST_F(DataPath, EmptyInputListIsNoInputAndPositiveResultsAreForced) {
  uintptr_t seen = 1;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnProcessData = [&](TzetPlugin*, PPluginCallRec rec, int32_t& result) {
      seen = rec->Input.Data;
      result = 5;
    };
  };
  Load(2);
  TzetParamsList params, empty;
  TPluginCallRec r = Rec(2, &params, kFilter);
  SetInput(r, &empty);
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_EQ(seen, 0u);

  TzetParamsList packet;
  packet.Add("A", rtl::Variant::Int32(1));
  SetInput(r, &packet);
  EXPECT_EQ(frame::ProcessData(&r), 5);
  EXPECT_EQ(seen, reinterpret_cast<uintptr_t>(&packet));
}

TEST_F(DataPath, HandlerRowsArePublishedAndStayOwnedByTheInstance) {
  ProbePlugin::Setup = [](ProbePlugin& p) {
    p.OnProcessData = [](TzetPlugin* self, PPluginCallRec rec, int32_t&) {
      self->OutputRows->Clear();
      self->OutputRows->AppendRow(reinterpret_cast<TzetParamsList*>(rec->Input.Data));
    };
  };
  Load(3);
  TzetParamsList params, packet;
  packet.Add("A", rtl::Variant::Int32(1));
  TPluginCallRec r = Rec(3, &params, kFilter);
  SetInput(r, &packet);
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_EQ(+r.Output.Kind, ZET_KIND_LIST);
  auto* rows = reinterpret_cast<TzetRowsParamsList*>(r.Output.Data);
  ASSERT_EQ(rows, Instance(3)->OutputRows.get());
  ASSERT_EQ(rows->Count(), 2);
  EXPECT_EQ(rows->Item(1)->Name, "$NEW_ROW$");
}

TEST_F(DataPath, ExportModuleWithoutInputLogsNoDataAndSkipsTheHandler) {
  bool called = false;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnProcessData = [&](TzetPlugin*, PPluginCallRec, int32_t&) { called = true; };
  };
  Load(4);
  TzetParamsList params;
  TPluginCallRec r = Rec(4, &params, kExport);
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_FALSE(called);
}

TEST_F(DataPath, ExportModuleClosesTheLastRowOfAHostRowsList) {
  int countSeen = 0;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnProcessData = [&](TzetPlugin*, PPluginCallRec rec, int32_t&) {
      countSeen = TzetParamsListRef(reinterpret_cast<void*>(rec->Input.Data)).Count();
    };
  };
  Load(5);
  TzetParamsList params;
  TzetRowsParamsList rows;
  rows.Add("A", rtl::Variant::Int32(1));
  TPluginCallRec r = Rec(5, &params, kExport);
  SetInput(r, &rows);
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_EQ(countSeen, 2);
  EXPECT_EQ(rows.Item(1)->Name, "$NEW_ROW$");
  SetInput(r, &rows); // already closed: no second marker
  frame::ProcessData(&r);
  EXPECT_EQ(rows.Count(), 2);
}

TEST_F(DataPath, EmptyModuleTypesSkipsEverything) {
  bool called = false;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnProcessData = [&](TzetPlugin*, PPluginCallRec, int32_t&) { called = true; };
  };
  Load(6);
  TzetParamsList params, packet;
  packet.Add("A", rtl::Variant::Int32(1));
  TPluginCallRec r = Rec(6, &params, 0);
  SetInput(r, &packet);
  EXPECT_EQ(frame::ProcessData(&r), 0);
  EXPECT_FALSE(called);
  EXPECT_EQ(+r.Input.Data, 0u);
}

TEST_F(DataPath, HandlerFailuresBecomeMinusThree) {
  ProbePlugin::Setup = [](ProbePlugin& p) {
    p.OnProcessData = [](TzetPlugin*, PPluginCallRec, int32_t&) {
      throw std::runtime_error("handler failed");
    };
    p.OnGetData = p.OnProcessData;
  };
  Load(7);
  TzetParamsList params, packet;
  packet.Add("A", rtl::Variant::Int32(1));
  TPluginCallRec r = Rec(7, &params, kFilter);
  SetInput(r, &packet);
  EXPECT_EQ(frame::ProcessData(&r), -3);
  TPluginCallRec g = Rec(7, &params, kFilter);
  EXPECT_EQ(frame::GetData(&g), -3);
  // A parameter list without the signature.
  alignas(8) unsigned char fake[sizeof(ZetParamsListLayout)] = {};
  r = Rec(7, fake, kFilter);
  EXPECT_EQ(frame::ProcessData(&r), -3);
}

TEST_F(DataPath, GetDataReleaseRequestAndGetEventsTwice) {
  Load(8);
  TzetPlugin* p = Instance(8);
  p->OutputRows->Add("A", rtl::Variant::Int32(1));
  TzetParamsList params;
  TPluginCallRec g = Rec(8, &params, kFilter);
  EXPECT_EQ(frame::GetData(&g), 0);
  EXPECT_EQ(+g.Output.Kind, ZET_KIND_LIST);
  EXPECT_EQ(+g.Output.Data, reinterpret_cast<uintptr_t>(p->OutputRows.get()));

  g = Rec(8, &params, kFilter);
  g.Input.Kind = ZET_KIND_REQUEST;
  g.Input.Data = ZET_REQUEST_RELEASE;
  EXPECT_EQ(frame::GetData(&g), 0);
  EXPECT_EQ(p->OutputRows->Count(), 0);
  EXPECT_EQ(+g.Output.Data, 0u);

  p->OutputEvents->Add("E", rtl::Variant::Int32(1));
  TPluginCallRec e = Rec(8, &params, kFilter);
  EXPECT_EQ(frame::GetEvents(&e), 0);
  EXPECT_EQ(+e.Output.Data, reinterpret_cast<uintptr_t>(p->OutputEvents.get()));
  EXPECT_EQ(p->OutputEvents->Count(), 1);
  EXPECT_EQ(frame::GetEvents(&e), 0); // the list handed back empties it
  EXPECT_EQ(p->OutputEvents->Count(), 0);
}

TEST_F(DataPath, NotLoadedOrTerminatedInstances) {
  TzetParamsList params, packet;
  packet.Add("A", rtl::Variant::Int32(1));
  TPluginCallRec g = Rec(9, &params, kFilter);
  EXPECT_EQ(frame::GetData(&g), -1); // no instance: GetData creates none
  TPluginCallRec r = Rec(9, &params, kFilter);
  SetInput(r, &packet);
  EXPECT_EQ(frame::ProcessData(&r), 0); // created, never loaded: the filter passes
  g = Rec(9, &params, kFilter);
  EXPECT_EQ(frame::GetData(&g), -3); // no output lists
  TPluginCallRec e = Rec(9, &params, kFilter);
  EXPECT_EQ(frame::GetEvents(&e), -3);

  Load(9);
  ASSERT_EQ(Command(9, "UNLOAD"), 0);
  SetInput(r, &packet);
  EXPECT_EQ(frame::ProcessData(&r), -1);
  g = Rec(9, &params, kFilter);
  EXPECT_EQ(frame::GetData(&g), -1);
}

TEST_F(DataPath, LastUnloadWaitsForRunningDataCalls) {
  std::atomic<bool> inHandler{false};
  std::atomic<bool> release{false};
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnProcessData = [&](TzetPlugin* self, PPluginCallRec, int32_t&) {
      inHandler = true;
      while (!release)
        std::this_thread::yield();
      self->OutputRows->Add("late", rtl::Variant::Int32(1)); // the list must still exist
    };
  };
  Load(10);
  std::thread data([&] {
    TzetParamsList params, packet;
    packet.Add("A", rtl::Variant::Int32(1));
    TPluginCallRec r = Rec(10, &params, kFilter);
    SetInput(r, &packet);
    frame::ProcessData(&r);
  });
  while (!inHandler)
    std::this_thread::yield();
  std::thread unload([] { Command(10, "UNLOAD"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  release = true;
  data.join();
  unload.join();
  EXPECT_EQ(Instance(10)->OutputRows, nullptr);
}

} // namespace

namespace {

// Data calls may reach an instance before its first LOAD; LOAD creates the output lists those
// calls read while they keep coming (ThreadSanitizer sees any unguarded access).
TEST_F(DataPath, DataCallsDuringTheFirstLoadNeverSeeHalfMadeOutputLists) {
  std::atomic<bool> stop{false};
  std::atomic<int> published{0};
  ProbePlugin::Setup = [](ProbePlugin& p) {
    p.OnProcessData = [](TzetPlugin* self, PPluginCallRec rec, int32_t&) {
      if (!self->OutputRows) // not loaded yet
        return;
      self->OutputRows->Clear();
      self->OutputRows->AppendRow(reinterpret_cast<TzetParamsList*>(rec->Input.Data));
    };
  };
  std::thread data([&] {
    TzetParamsList params, packet;
    packet.Add("A", rtl::Variant::Int32(1));
    while (!stop) {
      TPluginCallRec r = Rec(11, &params, kFilter);
      SetInput(r, &packet);
      if (frame::ProcessData(&r) == 0 && r.Output.Kind == ZET_KIND_LIST)
        ++published;
      TPluginCallRec g = Rec(11, &params, kFilter);
      frame::GetData(&g);
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Load(11);
  while (published == 0)
    std::this_thread::yield();
  stop = true;
  data.join();
  EXPECT_NE(Instance(11)->OutputRows, nullptr);
}

} // namespace
