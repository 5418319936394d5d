// A loaded aggregation module instance for the engine's tests: a stand-in registry of the test
// program's own, a test clock the tests move by hand, and LOAD through the frame's commands.
#pragma once

#include "filter/aggregation_plugin.h"
#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "platform/environment.h"
#include "support/timeout.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine_test {

/// The time the engine reads, in milliseconds: set by the tests.
inline std::atomic<uint64_t> gNow{1000};
inline uint64_t ReadTestClock() {
  return gNow.load();
}
inline const platform::TickSource kTestClock{true, &ReadTestClock};

/// Everything a host reads of a data call's answer: the result, and of a released list its count,
/// capacity and every item's names, value, declared type and state.
inline std::string AnswerDump(int32_t result, const TPluginDataDesc& out) {
  std::string dump = std::to_string(result) + " kind " + std::to_string(out.Kind);
  if (out.Kind != ZET_KIND_LIST || !out.Data)
    return dump;
  const auto* list = reinterpret_cast<const TzetParamsList*>(out.Data);
  dump +=
      " count " + std::to_string(list->Count()) + " capacity " + std::to_string(list->Capacity());
  for (int32_t i = 0; i < list->Count(); ++i) {
    const TzetParamsListItem* item = list->Item(i);
    dump += " [" + item->Name.Str() + "|" + item->LowerName.Str() + "|" +
            std::to_string(item->Value.vt) + "|" + item->GetValue().ToText() + "|" +
            std::to_string(item->DeclaredType) + "|" + std::to_string(item->State) + "]";
  }
  return dump;
}

/// A packet that a test keeps and sends again, as devices keep their lists: "|" is a row marker,
/// "null" an unfilled slot, and every other name is given NameOf(name) and the value 0.
inline std::unique_ptr<TzetParamsList>
KeptPacket(const std::vector<std::string>& names,
           const std::function<rtl::AnsiString(const std::string&)>& nameOf) {
  auto list = std::make_unique<TzetParamsList>();
  for (const std::string& name : names) {
    if (name == "|")
      list->AddNewRow();
    else if (name == "null")
      static_cast<TList&>(*list).Add(nullptr);
    else
      list->Add(nameOf(name), rtl::Variant::Int32(0));
  }
  return list;
}

class LoadedEngine : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static const std::string dir = test_support::ScratchFolder("agg-engine-reg").string();
    platform::SetEnvVar("AGG_REGISTRY_DIR", dir);
  }
  void SetUp() override {
    previousClock_ = support::SetTickSourceForTesting(&kTestClock);
    gNow = 1000;
    frame::LibraryStart();
    frame::SetPluginClass(TaPlugin::ClassRef());
    ASSERT_EQ(Command("LOAD"), 0);
    TPluginCallRec r = Rec(nullptr);
    TzetPlugin* p = nullptr;
    ASSERT_TRUE(frame::FindInstance(&r, p, false));
    module_ = static_cast<TaPlugin*>(p);
  }
  void TearDown() override {
    frame::LibraryEnd();
    support::SetTickSourceForTesting(previousClock_);
  }

  /// A call record for the instance; Params null: the fixture's empty parameter list.
  TPluginCallRec Rec(void* params) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = 77;
    r.Params = params ? params : &params_;
    r.ModuleTypes = ZET_MTT_FILTER;
    return r;
  }
  int32_t Command(const char* word) {
    TzetParamsList params;
    params.Add("COMMAND", rtl::Variant::FromAnsiText(word));
    TPluginCallRec r = Rec(&params);
    return frame::ExecutePluginCommand(&r);
  }

  TzetParamsList params_;
  TaPlugin* module_ = nullptr;

private:
  const platform::TickSource* previousClock_ = nullptr;
};

} // namespace engine_test
