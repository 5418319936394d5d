// A module class for frame tests: its handlers are set per test, and the frame's instance list
// is set up with it as the module class.
#pragma once

#include "frame/descriptor_exports.h"
#include "frame/instances.h"

#include <gtest/gtest.h>

#include <functional>

class ProbePlugin : public TzetPlugin {
public:
  static const TzetPluginClass& ClassRef() {
    static const TzetPluginClass ref{"ProbePlugin",
                                     []() -> TzetPlugin* { return new ProbePlugin(); }};
    return ref;
  }
  /// Runs on every new instance after its design-time values: the test attaches handlers here.
  static inline std::function<void(ProbePlugin&)> Setup;

protected:
  void LoadDesignTimeValues() override {
    LogTitle = "Probe";
    ModuleType = ModuleTypeBit(mttFilter);
    MsgNoData = "No data for processing";
    MsgWriteComplete = "Data have been processed successfully";
    MsgWriteCompleteError = "Data have been processed with errors";
    if (Setup)
      Setup(*this);
  }
};

/// Starts the frame with ProbePlugin for each test and ends it afterwards.
class FrameTest : public ::testing::Test {
protected:
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(ProbePlugin::ClassRef());
  }
  void TearDown() override {
    frame::LibraryEnd();
    ProbePlugin::Setup = nullptr;
  }

  /// A call record for Handle with the parameter list Params.
  static TPluginCallRec Rec(uint32_t handle, void* params, uint8_t types = 0) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = handle;
    r.ModuleIndex = 5;
    r.Params = params;
    r.ModuleTypes = types;
    return r;
  }

  /// Runs one command word for Handle; Extra adds parameters.
  static int32_t Command(uint32_t handle, const char* word,
                         const std::function<void(TzetParamsList&)>& extra = {}) {
    TzetParamsList params;
    params.Add("COMMAND", rtl::Variant::FromAnsiText(word));
    if (extra)
      extra(params);
    TPluginCallRec r = Rec(handle, &params);
    return frame::ExecutePluginCommand(&r);
  }

  static TzetPlugin* Instance(uint32_t handle) {
    TPluginCallRec r = Rec(handle, nullptr);
    TzetPlugin* p = nullptr;
    frame::FindInstance(&r, p, false);
    return p;
  }
};
