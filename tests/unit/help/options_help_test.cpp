// Help in the options dialog: the frame gives the dialog a help component that holds the
// module's help file and answers the application's help while the dialog runs; F1 on any control
// of the dialog asks for help context 80.
#include "filter/aggregation_plugin.h"
#include "filter/options_form.h"
#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "frame/plugin_cfg_form.h"
#include "platform/dialog_window.h"
#include "platform/environment.h"
#include "rtl/file_names.h"
#include "support/application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace {

using support::TheApplication;

/// Records the help requests that reach the application while it is installed.
class RecordingHelp : public support::HelpHandler {
public:
  RecordingHelp() { TheApplication().InstallHelpHandler(this); }
  ~RecordingHelp() { TheApplication().RemoveHelpHandler(this); }
  bool HandleHelp(uint16_t command, intptr_t data, bool& callHelp) override {
    seen.emplace_back(command, data);
    callHelp = false;
    return true;
  }
  std::vector<std::pair<uint16_t, intptr_t>> seen;
};

class OptionsHelp : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static const std::string dir = (std::filesystem::temp_directory_path() /
                                    ("agg-help-dialog-" + std::to_string(std::random_device{}())))
                                       .string();
    platform::SetEnvVar("AGG_REGISTRY_DIR", dir);
  }
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(TaPlugin::ClassRef());
    ini_ = std::filesystem::temp_directory_path() /
           ("agg-help-dialog-" + std::to_string(std::random_device{}()) + ".ini");
    std::ofstream(ini_, std::ios::binary) << "[Common]\r\nVar1=Temp\r\n";
    TzetParamsList params;
    params.Add("COMMAND", rtl::Variant::FromAnsiText("LOAD"));
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params);
    ASSERT_EQ(frame::ExecutePluginCommand(&r), 0);
  }
  void TearDown() override {
    platform::SetModalRunHook(nullptr);
    frame::LibraryEnd();
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  TPluginCallRec Rec(void* params) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = 71;
    r.Params = params;
    r.ModuleTypes = ZET_MTT_FILTER;
    return r;
  }
  TzetPlugin* Module() {
    TPluginCallRec r = Rec(&params_);
    TzetPlugin* p = nullptr;
    frame::FindInstance(&r, p, false);
    return p;
  }
  /// Opens the options dialog; User acts on it while it runs, then it is cancelled.
  void Show(std::function<void(TfrmOption&)> user) {
    platform::SetModalRunHook([&](platform::ControlHandle) {
      auto* form = dynamic_cast<TfrmOption*>(Module()->FindComponent("frmOption"));
      ASSERT_NE(form, nullptr);
      user(*form);
      form->PressEscape();
    });
    TzetParamsList params;
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params);
    frame::ShowOptionsDialog(&r);
    platform::SetModalRunHook(nullptr);
  }

  std::filesystem::path ini_;
  TzetParamsList params_;
};

TEST_F(OptionsHelp, TheDialogsHelpComponentHoldsTheModulesHelpFileWhileTheDialogRuns) {
  bool ran = false;
  Show([&](TfrmOption& form) {
    ran = true;
    auto* help = dynamic_cast<TPluginCfgHelp*>(TheApplication().CurrentHelpHandler());
    ASSERT_NE(help, nullptr) << "the frame's help component answers the application's help";
    EXPECT_EQ(help->Owner(), &form);
    EXPECT_EQ(help->Tag(), 9999);
    TzetPlugin* module = Module();
    const std::string expected =
        module->ModulePath.Str() + rtl::ChangeFileExt(module->ModuleName.Str(), ".chm");
    EXPECT_EQ(help->ChmFile(), expected);
    EXPECT_EQ(form.HelpFile, expected);
    EXPECT_EQ(rtl::ExtractFileName(help->ChmFile()).substr(0, 9), "unit_help");
    EXPECT_TRUE(help->ClassType().InheritsFrom("THtmlHelp"));
  });
  EXPECT_TRUE(ran);
  // The component died with the dialog and gave the application's help back.
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), nullptr);
}

TEST_F(OptionsHelp, F1OnAnyControlAsksForTheOptionsPage) {
  std::vector<std::pair<uint16_t, intptr_t>> seen;
  Show([&](TfrmOption& form) {
    RecordingHelp recorder;
    // Boxes, panels and buttons carry no context of their own: theirs is the form's.
    form.PressHelp(form.var2);
    form.PressHelp(form.spTimeout);
    form.PressHelp(form.Label1);
    form.PressHelp(dynamic_cast<TControl*>(form.FindComponent("btnOK")));
    form.PressHelp(nullptr);
    seen = recorder.seen;
  });
  ASSERT_EQ(seen.size(), 5u);
  for (const auto& [command, context] : seen) {
    EXPECT_EQ(command, support::kHelpContext);
    EXPECT_EQ(context, kOptionsHelpContext);
  }
}

TEST_F(OptionsHelp, AControlsOwnContextComesBeforeItsContainers) {
  std::vector<std::pair<uint16_t, intptr_t>> seen;
  Show([&](TfrmOption& form) {
    RecordingHelp recorder;
    form.gbParams->SetHelpContext(81);
    form.var4->SetHelpContext(82);
    form.PressHelp(form.var3);
    form.PressHelp(form.var4);
    form.SetHelpContext(0);
    form.PressHelp(form.chkNoReset); // no context anywhere: no help request
    seen = recorder.seen;
  });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].second, 81);
  EXPECT_EQ(seen[1].second, 82);
}

} // namespace
