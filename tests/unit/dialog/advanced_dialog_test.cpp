// The advanced dialog through the frame: opened from the options dialog's button "Advanced...",
// loaded from the store, its values kept in the store only when both dialogs are confirmed, and
// its layout. The modal-run hook acts as the user of both dialogs.
#include "filter/advanced_form.h"
#include "filter/aggregation_plugin.h"
#include "filter/aggregation_settings.h"
#include "filter/options_form.h"
#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "platform/environment.h"
#include "support/application.h"
#include "ui/ok_cancel_panels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

namespace {

using Act = std::function<void(TfrmAdvanced&)>;

class AdvancedDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static const std::string dir = (std::filesystem::temp_directory_path() /
                                    ("agg-advanced-reg-" + std::to_string(std::random_device{}())))
                                       .string();
    platform::SetEnvVar("AGG_REGISTRY_DIR", dir);
  }
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(TaPlugin::ClassRef());
    ini_ = std::filesystem::temp_directory_path() /
           ("agg-advanced-" + std::to_string(std::random_device{}()) + ".ini");
  }
  void TearDown() override {
    platform::SetModalRunHook(nullptr);
    frame::LibraryEnd();
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  TaPlugin* Load(const std::string& commonLines) {
    std::ofstream(ini_, std::ios::binary) << "[Common]\r\n" << commonLines;
    TzetParamsList params;
    params.Add("COMMAND", rtl::Variant::FromAnsiText("LOAD"));
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params);
    EXPECT_EQ(frame::ExecutePluginCommand(&r), 0);
    return Instance();
  }
  TaPlugin* Instance() {
    TPluginCallRec r = Rec(&params_);
    TzetPlugin* p = nullptr;
    frame::FindInstance(&r, p, false);
    return static_cast<TaPlugin*>(p);
  }
  TPluginCallRec Rec(void* params) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = 93;
    r.Params = params;
    r.ModuleTypes = ZET_MTT_FILTER;
    return r;
  }
  /// Opens the options dialog; each entry of Runs is one press of "Advanced..." and acts on the
  /// advanced dialog; then the options dialog closes with OK or Cancel. Answers the outcome.
  int32_t Show(std::vector<Act> runs, bool ok,
               const std::function<void(TfrmOption&)>& inOptions = nullptr) {
    platform::SetModalRunHook([&](platform::ControlHandle dialog) {
      auto* options = dynamic_cast<TfrmOption*>(Instance()->FindComponent("frmOption"));
      ASSERT_NE(options, nullptr);
      if (dialog != options->Handle()) {
        ASSERT_NE(options->Advanced(), nullptr);
        ASSERT_EQ(options->Advanced()->Handle(), dialog);
        runs_[advancedRuns_++](*options->Advanced());
        return;
      }
      ASSERT_NE(options->btnAdvanced, nullptr);
      if (inOptions)
        inOptions(*options);
      for (std::size_t i = 0; i < runs_.size(); ++i)
        options->btnAdvanced->Click();
      Button(*options, ok ? "btnOK" : "btnCancel")->Click();
    });
    runs_ = std::move(runs);
    advancedRuns_ = 0;
    TzetParamsList params;
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params);
    frame::ShowOptionsDialog(&r);
    platform::SetModalRunHook(nullptr);
    EXPECT_EQ(advancedRuns_, runs_.size());
    return static_cast<int32_t>(r.Output.Data);
  }
  static TButton* Button(TForm& form, const char* name) {
    return dynamic_cast<TButton*>(form.FindComponent(name));
  }
  /// Sets every control of the advanced dialog as a user would.
  static void Change(TfrmAdvanced& f) {
    platform::SetControlChecked(f.chkPartial->Handle(), true);
    platform::SetControlChecked(f.chkKeepPending->Handle(), true);
    platform::SetControlText(f.spAgeLimit->Handle(), u"3000");
    platform::SetControlText(f.spLifetime->Handle(), u"60000");
    platform::SetControlText(f.cbTimeVar->Handle(), u"Stamp");
    platform::SetControlText(f.spTimeJump->Handle(), u"60000");
    platform::SetControlText(f.cbGroupBy->Handle(), u"Station");
    platform::SetControlText(f.spMaxGroups->Handle(), u"16");
    platform::SetControlText(f.cbMerge1->Handle(), u"sum");
    platform::SetControlText(f.edSeparator->Handle(), u"/");
  }
  std::string Ini() const {
    std::ifstream in(ini_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Has(const std::string& line) const { return Ini().find(line + "\r\n") != std::string::npos; }
  bool HasAnyNewKey() const {
    for (const char* key :
         {"Release partial rows=", "Keep pending rows=", "Age limit=", "Value lifetime=",
          "Time variable=", "Time jump limit=", "Group by=", "Max groups=", "Merge"})
      if (Ini().find(key) != std::string::npos)
        return true;
    return false;
  }

  std::filesystem::path ini_;
  TzetParamsList params_;
  std::vector<Act> runs_;
  std::size_t advancedRuns_ = 0;
};

TEST_F(AdvancedDialog, OkInBothDialogsStoresTheAdvancedKeysBesideTheOthers) {
  TaPlugin* module = Load("Var1=Temp\r\nTimeout=100\r\n");
  module->SetParserItemsText("d|Station|String|\r\nd|Hum|String|\r\nd|Temp|String|", true);
  const int32_t outcome = Show({[](TfrmAdvanced& f) {
                                 // Loaded from a store without the keys: every option off.
                                 EXPECT_FALSE(f.chkPartial->Checked());
                                 EXPECT_FALSE(f.chkKeepPending->Checked());
                                 EXPECT_EQ(f.spAgeLimit->Value(), 0);
                                 EXPECT_EQ(f.spLifetime->Value(), 0);
                                 EXPECT_EQ(f.cbTimeVar->Text(), u"");
                                 EXPECT_EQ(f.spTimeJump->Value(), 0);
                                 EXPECT_EQ(f.cbGroupBy->Text(), u"");
                                 EXPECT_EQ(f.spMaxGroups->Value(), 256);
                                 for (const TComboBox* box : {f.cbTimeVar, f.cbGroupBy})
                                   EXPECT_EQ(box->Items()->Text(), "Hum\r\nStation\r\nTemp\r\n");
                                 EXPECT_EQ(f.Caption(), u"Advanced options");
                                 Change(f);
                                 Button(f, "btnOK")->Click();
                               }},
                               true);
  EXPECT_EQ(outcome, 1);
  for (const char* line : {"Release partial rows=True", "Keep pending rows=True", "Age limit=3000",
                           "Value lifetime=60000", "Time variable=Stamp", "Time jump limit=60000"})
    EXPECT_TRUE(Has(line)) << line << Ini();
  EXPECT_TRUE(Has("Group by=Station")) << Ini();
  EXPECT_TRUE(Has("Max groups=16")) << Ini();
  EXPECT_TRUE(Has("Merge1=Sum")) << Ini();
  EXPECT_TRUE(Has("Merge separator=/")) << Ini();
  // The main dialog's values and its position stay its own.
  EXPECT_TRUE(Has("Var1=Temp")) << Ini();
  EXPECT_TRUE(Has("Timeout=100")) << Ini();
  EXPECT_TRUE(Has("Width=389")) << Ini();
  // The engine took the confirmed options over.
  EXPECT_TRUE(module->Engine->Options().Partial);
  EXPECT_EQ(module->Engine->Options().AgeMs, 3000u);
  EXPECT_EQ(module->Engine->Options().TimeVarLower, "stamp");
  EXPECT_EQ(module->Engine->Options().TimeJumpMs, 60000u);
  EXPECT_TRUE(module->Cfg->chkKeepPending_Checked);
  EXPECT_EQ(module->Engine->Options().GroupByLower, "station");
  EXPECT_EQ(module->Engine->Options().MaxGroups, 16u);
  EXPECT_EQ(module->Engine->Options().Merge[0], TMergeStrategy::Sum);
  EXPECT_EQ(module->Engine->Options().Separator, u"/");

  // The next dialog shows what was stored.
  Show({[](TfrmAdvanced& f) {
         EXPECT_TRUE(f.chkPartial->Checked());
         EXPECT_TRUE(f.chkKeepPending->Checked());
         EXPECT_EQ(f.spAgeLimit->Value(), 3000);
         EXPECT_EQ(f.cbTimeVar->Text(), u"Stamp");
         EXPECT_EQ(f.spTimeJump->Value(), 60000);
         EXPECT_EQ(f.cbGroupBy->Text(), u"Station");
         EXPECT_EQ(f.spMaxGroups->Value(), 16);
         EXPECT_EQ(f.cbMerge1->Text(), u"Sum");
         EXPECT_EQ(f.edSeparator->Text(), u"/");
         f.PressEscape();
       }},
       false);
}

TEST_F(AdvancedDialog, OkInTheOptionsDialogBeforeTheAdvancedRunHasReturnedStoresItsKeys) {
  // The options dialog's OK handled while the advanced dialog, closed with OK, still runs its
  // modal loop: what a press sent from another thread meets when it arrives early.
  Load("Var1=Temp\r\n");
  EXPECT_EQ(Show({[this](TfrmAdvanced& f) {
                   Change(f);
                   Button(f, "btnOK")->Click();
                   Button(*dynamic_cast<TForm*>(f.Owner()), "btnOK")->Click();
                   EXPECT_TRUE(Has("Group by=Station")) << "not saved by that press: " << Ini();
                 }},
                 true),
            1);
  EXPECT_TRUE(Has("Max groups=16")) << Ini();
}

TEST_F(AdvancedDialog, OnlyOkInBothDialogsStoresTheAdvancedKeys) {
  const auto ok = [](TfrmAdvanced& f) {
    Change(f);
    Button(f, "btnOK")->Click();
  };
  const std::vector<std::pair<const char*, Act>> leave = {
      {"Cancel", [](TfrmAdvanced& f) { Button(f, "btnCancel")->Click(); }},
      {"Esc", [](TfrmAdvanced& f) { f.PressEscape(); }},
      {"Enter", [](TfrmAdvanced& f) { f.PressEnter(); }},
      {"close box", [](TfrmAdvanced& f) { f.CloseBox(); }},
  };
  for (const auto& [name, way] : leave) {
    Load("Var1=Temp\r\n");
    EXPECT_EQ(Show({[&way = way](TfrmAdvanced& f) {
                     Change(f);
                     way(f);
                   }},
                   true),
              1)
        << name;
    EXPECT_FALSE(HasAnyNewKey()) << name << Ini();
    EXPECT_TRUE(Has("Var1=Temp")) << name;
  }
  // Confirmed in the advanced dialog, then the options dialog cancelled.
  Load("Var1=Temp\r\n");
  EXPECT_EQ(Show({ok}, false), 0);
  EXPECT_FALSE(HasAnyNewKey()) << Ini();
}

TEST_F(AdvancedDialog, CancelTakesBackOnlyTheLastRun) {
  Load("Age limit=500\r\n");
  Show({[](TfrmAdvanced& f) {
          platform::SetControlText(f.spAgeLimit->Handle(), u"700");
          Button(f, "btnOK")->Click();
        },
        [](TfrmAdvanced& f) {
          EXPECT_EQ(f.spAgeLimit->Value(), 700) << "kept from the confirmed run";
          Change(f);
          Button(f, "btnCancel")->Click();
        },
        [](TfrmAdvanced& f) {
          EXPECT_EQ(f.spAgeLimit->Value(), 700) << "the cancelled run is taken back";
          EXPECT_FALSE(f.chkPartial->Checked());
          EXPECT_FALSE(f.chkKeepPending->Checked());
          EXPECT_EQ(f.cbTimeVar->Text(), u"");
          EXPECT_EQ(f.spTimeJump->Value(), 0);
          EXPECT_EQ(f.cbGroupBy->Text(), u"");
          EXPECT_EQ(f.cbMerge1->Text(), u"Last");
          EXPECT_EQ(f.edSeparator->Text(), u", ");
          f.CloseBox();
        }},
       true);
  EXPECT_TRUE(Has("Age limit=700")) << Ini();
  for (const char* key :
       {"Release partial rows=", "Keep pending rows=", "Time variable=", "Time jump limit="})
    EXPECT_EQ(Ini().find(key), std::string::npos) << key << " at its default" << Ini();
}

TEST_F(AdvancedDialog, MergeRowsNameTheVariablesAndKeepWhatTheyDoNotChange) {
  // Var2 is blank, Var3 is typed in the options dialog before "Advanced..." is pressed; Merge4
  // and Merge5 were set by hand, Merge6 names no strategy (the engine reads it as "Last").
  TaPlugin* module =
      Load("Var1=Temp\r\nVar4=Hum\r\nMerge4= max\r\nMerge5=Count\r\nMerge6=Median\r\n");
  const auto typeVar3 = [](TfrmOption& o) { platform::SetControlText(o.var3->Handle(), u"Pres"); };
  Show({[](TfrmAdvanced& f) {
         const std::u16string labels[] = {u"Temp", u"Variable 2 (not set)", u"Pres", u"Hum"};
         for (std::size_t i = 0; i < std::size(labels); ++i)
           EXPECT_EQ(f.MergeLabels()[i]->Caption(), labels[i]) << i;
         EXPECT_EQ(f.lblMerge8->Caption(), u"Variable 8 (not set)");
         const std::u16string shown[] = {u"Last", u"Last", u"Last", u"Max", u"Count", u"Last"};
         for (std::size_t i = 0; i < std::size(shown); ++i)
           EXPECT_EQ(f.Merges()[i]->Text(), shown[i]) << i;
         EXPECT_EQ(f.cbMerge1->Items()->Text(),
                   "Last\r\nFirst\r\nSum\r\nMin\r\nMax\r\nMean\r\nCount\r\nConcat\r\n");
         // A drop-down list takes only its own entries.
         platform::SetControlText(f.cbMerge3->Handle(), u"Concat");
         platform::SetControlText(f.cbMerge2->Handle(), u"Median");
         EXPECT_EQ(f.cbMerge2->Text(), u"");
         platform::SetControlText(f.cbMerge2->Handle(), u"First");
         Button(f, "btnOK")->Click();
       }},
       true, typeVar3);
  for (const char* line : {"Merge2=First", "Merge3=Concat", "Merge4=Max", "Merge5=Count"})
    EXPECT_TRUE(Has(line)) << line << Ini();
  for (const char* key : {"Merge1=", "Merge6=", "Merge separator="})
    EXPECT_EQ(Ini().find(key), std::string::npos) << key << Ini();
  // The engine's variables are Temp, Pres and Hum: rows 1, 3 and 4.
  const auto& merge = module->Engine->Options().Merge;
  EXPECT_EQ(merge[0], TMergeStrategy::Last);
  EXPECT_EQ(merge[1], TMergeStrategy::Concat);
  EXPECT_EQ(merge[2], TMergeStrategy::Max);
  EXPECT_EQ(module->Engine->Options().Separator, u", ");
}

TEST_F(AdvancedDialog, StoredValuesOutsideTheLimitsAreBroughtWithinThem) {
  Load("Max groups=0\r\nAge limit=-5\r\nValue lifetime=abc\r\n");
  Show({[](TfrmAdvanced& f) {
         EXPECT_EQ(f.spMaxGroups->Value(), 1);
         EXPECT_EQ(f.spAgeLimit->Value(), 0);
         EXPECT_EQ(f.spLifetime->Value(), 0);
         platform::SetControlText(f.spMaxGroups->Handle(), u"100000");
         EXPECT_EQ(f.spMaxGroups->Value(), 65536);
         f.PressEscape();
       }},
       false);
}

TEST_F(AdvancedDialog, LayoutButtonRowAndHelpContext) {
  Load("");
  platform::ControlRect advanced{}, ok{}, cancel{};
  std::vector<intptr_t> contexts;
  struct Recorder : support::HelpHandler {
    std::vector<intptr_t>* seen;
    bool HandleHelp(uint16_t, intptr_t data, bool& callHelp) override {
      seen->push_back(data);
      callHelp = false;
      return true;
    }
  };
  Show({[&](TfrmAdvanced& f) {
         auto* options = dynamic_cast<TfrmOption*>(f.Owner());
         ASSERT_NE(options, nullptr);
         advanced = options->btnAdvanced->BoundsRect();
         ok = Button(*options, "btnOK")->BoundsRect();
         cancel = Button(*options, "btnCancel")->BoundsRect();
         // The variable boxes reach the right edge of their rows; below the button row there is
         // only the form's border (3).
         EXPECT_EQ(f.cbTimeVar->Left() + f.cbTimeVar->Width(), f.panTimeVar->ClientWidth() - 4);
         EXPECT_EQ(f.cbGroupBy->Left() + f.cbGroupBy->Width(), f.panGroupBy->ClientWidth() - 4);
         EXPECT_EQ(f.pBot->Top() + f.pBot->Height() + 3, f.ClientHeight());
         EXPECT_GE(f.pBot->Top(), f.panSeparator->Top() + f.panSeparator->Height());
         Recorder recorder;
         recorder.seen = &contexts;
         support::TheApplication().InstallHelpHandler(&recorder);
         f.PressHelp(f.spLifetime);
         f.PressHelp(nullptr);
         support::TheApplication().RemoveHelpHandler(&recorder);
         f.PressEscape();
       }},
       false);
  // "Advanced..." stands before OK and Cancel, in one line with them.
  EXPECT_LT(advanced.left + advanced.width, ok.left);
  EXPECT_EQ(advanced.top, ok.top);
  EXPECT_EQ(cancel.left - ok.left, 79);
  EXPECT_EQ(contexts, (std::vector<intptr_t>{81, 81}));
}

} // namespace
