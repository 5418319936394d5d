// The aggregation dialog through the frame: ShowOptionsDialog on an instance loaded from an INI
// file, the dialog filled from the parser items and the stored settings, the user's answer given
// by the modal-run hook, and what the store and the engine hold afterwards.
#include "filter/aggregation_plugin.h"
#include "filter/aggregation_settings.h"
#include "filter/options_form.h"
#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "platform/dialog_window.h"
#include "platform/environment.h"
#include "platform/file_replace.h"
#include "platform/message_pump.h"
#include "platform/named_lock.h"
#include "platform/registry.h"
#include "support/application.h"
#include "ui/ok_cancel_panels.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

namespace {

class OptionsDialog : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static const std::string dir = (std::filesystem::temp_directory_path() /
                                    ("agg-dialog-reg-" + std::to_string(std::random_device{}())))
                                       .string();
    platform::SetEnvVar("AGG_REGISTRY_DIR", dir);
  }
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(TaPlugin::ClassRef());
    ini_ = std::filesystem::temp_directory_path() /
           ("agg-dialog-" + std::to_string(std::random_device{}()) + ".ini");
  }
  void TearDown() override {
    platform::SetModalRunHook(nullptr);
    frame::LibraryEnd();
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  TaPlugin* Load(const std::string& commonLines, uint32_t handle = 91) {
    std::ofstream(ini_, std::ios::binary) << "[Common]\r\n" << commonLines;
    TzetParamsList params;
    params.Add("COMMAND", rtl::Variant::FromAnsiText("LOAD"));
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params, handle);
    EXPECT_EQ(frame::ExecutePluginCommand(&r), 0);
    return Instance(handle);
  }
  TaPlugin* Instance(uint32_t handle = 91) {
    TPluginCallRec r = Rec(&params_, handle);
    TzetPlugin* p = nullptr;
    frame::FindInstance(&r, p, false);
    return static_cast<TaPlugin*>(p);
  }
  TPluginCallRec Rec(void* params, uint32_t handle = 91) {
    TPluginCallRec r{};
    r.RecordTag = ZET_RECORD_TAG;
    r.ModuleHandle = handle;
    r.Params = params;
    r.ModuleTypes = ZET_MTT_FILTER;
    return r;
  }
  /// Opens the dialog with the INI file; User acts on the running dialog.
  int32_t Show(std::function<void(TfrmOption&)> user, uint32_t handle = 91) {
    platform::SetModalRunHook([&, handle](platform::ControlHandle) {
      auto* form = dynamic_cast<TfrmOption*>(Instance(handle)->FindComponent("frmOption"));
      ASSERT_NE(form, nullptr);
      shown_ = form->BoundsRect();
      user(*form);
    });
    TzetParamsList params;
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&params, handle);
    frame::ShowOptionsDialog(&r);
    platform::SetModalRunHook(nullptr);
    EXPECT_EQ(r.Output.Kind, ZET_KIND_INTEGER);
    return static_cast<int32_t>(r.Output.Data);
  }
  std::string IniText() const {
    std::ifstream in(ini_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int32_t Send(const char* name, int32_t value, uint32_t handle = 91) {
    TzetParamsList packet;
    packet.Add(name, rtl::Variant::Int32(value));
    TPluginCallRec r = Rec(&params_, handle);
    r.Input.Kind = ZET_KIND_LIST;
    r.Input.Data = reinterpret_cast<uintptr_t>(&packet);
    return frame::ProcessData(&r);
  }
  static void Type(TComboBox* box, const char16_t* text) {
    platform::SetControlText(box->Handle(), text);
  }

  std::filesystem::path ini_;
  TzetParamsList params_;
  platform::ControlRect shown_;
};

TEST_F(OptionsDialog, OkStoresEverythingAndTheEngineTakesTheNewVariables) {
  TaPlugin* module = Load("Var1=Hum\r\nTimeout=100\r\n");
  module->SetParserItemsText("d|b|String|\r\nd|A|String|\r\nd|c|String|\r\nd|b|String|", true);
  const int32_t outcome = Show([](TfrmOption& form) {
    // Loaded from the store, listed from the parser items.
    EXPECT_EQ(form.var1->Text(), u"Hum") << "a stored name that is no parser item stays";
    EXPECT_EQ(form.spTimeout->Value(), 100);
    for (TComboBox* box : form.Vars())
      EXPECT_EQ(box->Items()->Text(), "A\r\nb\r\nb\r\nc\r\n");
    EXPECT_EQ(form.Caption().substr(0, 12), u"Aggregation ");
    Type(form.var1, u"");
    Type(form.var2, u"Temp");
    platform::SetControlText(form.spTimeout->Handle(), u"500");
    platform::SetControlChecked(form.chkNoReset->Handle(), true);
    dynamic_cast<TButton*>(form.FindComponent("btnOK"))->Click();
  });
  EXPECT_EQ(outcome, 1);
  const std::string ini = IniText();
  EXPECT_NE(ini.find("Var2=Temp\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Timeout=500\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("No reset=True\r\n"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("Var1=Hum"), std::string::npos) << ini;
  EXPECT_EQ(module->Engine->TimeoutMs(), 500u);
  EXPECT_EQ(Send("Hum", 1), -2) << "Hum is no longer aggregated on";
  EXPECT_EQ(Send("Temp", 21), 0);
}

TEST_F(OptionsDialog, EveryWayOutButOkStoresOnlyThePosition) {
  const std::vector<std::function<void(TfrmOption&)>> ways = {
      [](TfrmOption& f) { dynamic_cast<TButton*>(f.FindComponent("btnCancel"))->Click(); },
      [](TfrmOption& f) { f.PressEscape(); },
      [](TfrmOption& f) { f.PressEnter(); }, // Enter in a box presses the default: Cancel
      [](TfrmOption& f) { f.CloseBox(); },
      [](TfrmOption&) {}, // the user leaves with the close box
  };
  for (std::size_t i = 0; i < ways.size(); ++i) {
    Load("Var1=Hum\r\nTimeout=100\r\n");
    const int32_t outcome = Show([&](TfrmOption& form) {
      Type(form.var1, u"Changed");
      platform::SetControlText(form.spTimeout->Handle(), u"700");
      ways[i](form);
    });
    EXPECT_EQ(outcome, 0) << i;
    const std::string ini = IniText();
    EXPECT_NE(ini.find("Var1=Hum\r\n"), std::string::npos) << i << ini;
    EXPECT_NE(ini.find("Timeout=100\r\n"), std::string::npos) << i << ini;
    EXPECT_NE(ini.find("Left="), std::string::npos) << i << ini;
    EXPECT_NE(ini.find("Top="), std::string::npos) << i << ini;
    EXPECT_NE(ini.find("Width=389\r\n"), std::string::npos) << i << ini;
    EXPECT_EQ(ini.find("Height"), std::string::npos) << i << ini;
  }
}

TEST_F(OptionsDialog, LayoutFitsTheContentAndKeepsTheHeight) {
  Load("");
  Show([](TfrmOption& form) {
    const int32_t height = form.Height();
    EXPECT_EQ(form.ClientHeight(), form.chkNoReset->Top() + form.chkNoReset->Height() + 4 + 50);
    EXPECT_EQ(form.pBot->Height(), 50);
    EXPECT_LE(std::abs(form.pan01->Width() - form.pan02->Width()), 1) << "equal columns";
    EXPECT_EQ(form.var1->Top(), 3);
    EXPECT_EQ(form.var7->Top(), 84);
    EXPECT_EQ(form.var2->Left(), 3);
    EXPECT_EQ(form.pan02->Left(), form.pan01->Left() + form.pan01->Width());
    auto* ok = dynamic_cast<TControl*>(form.FindComponent("btnOK"));
    auto* cancel = dynamic_cast<TControl*>(form.FindComponent("btnCancel"));
    EXPECT_EQ(ok->Top(), 17);
    EXPECT_EQ(cancel->Left(), ok->Left() + 79);
    // "Advanced..." (115 wide), OK and Cancel, each followed by a gap of 4, centred.
    EXPECT_EQ(form.btnAdvanced->Left(), (form.pBot->ClientWidth() - 277) / 2) << "centred";
    EXPECT_EQ(ok->Left(), form.btnAdvanced->Left() + 119);
    EXPECT_EQ(form.btnAdvanced->Top(), ok->Top());

    form.SetBounds(form.Left(), form.Top(), form.Width(), height + 100);
    EXPECT_EQ(form.Height(), height) << "the height cannot be changed";
    form.SetWidth(300);
    EXPECT_EQ(form.Width(), 350) << "the minimum width";
    EXPECT_EQ(form.Height(), height);
    form.SetWidth(600);
    EXPECT_LE(std::abs(form.pan01->Width() - form.pan02->Width()), 1) << "equal columns";
    EXPECT_EQ(form.var2->Width(), form.pan02->Width() - 6);
    form.CloseBox();
  });
}

TEST_F(OptionsDialog, WithoutParserItemsTheListsAreEmptyAndNamesCanBeTyped) {
  Load("");
  EXPECT_EQ(Show([](TfrmOption& form) {
              for (TComboBox* box : form.Vars())
                EXPECT_EQ(box->Items()->Count(), 0);
              Type(form.var8, u"Typed");
              form.FindComponent("btnOK")
                  ? dynamic_cast<TButton*>(form.FindComponent("btnOK"))->Click()
                  : void();
            }),
            1);
  EXPECT_NE(IniText().find("Var8=Typed\r\n"), std::string::npos);
}

TEST_F(OptionsDialog, PlacementCentresUnlessTheLoadedPositionIsKept) {
  // Without an owner window the dialog is centred over the monitor, whatever was stored.
  Load("Left=10\r\nTop=20\r\n");
  Show([](TfrmOption& form) { form.CloseBox(); });
  EXPECT_EQ(shown_.left, (1024 - shown_.width) / 2);

  // With an owner window (whose rectangle the stand-in cannot read) a stored position on the
  // desktop is kept; one whose centre lies off the desktop is not.
  TaPlugin* module = Load("Left=10\r\nTop=20\r\n");
  module->OwnerForm = 0x1234;
  {
    TzetParamsList params;
    params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    params.Add("OWNERFORM", rtl::Variant::Int32(0x1234));
    platform::SetModalRunHook([&](platform::ControlHandle) {
      auto* form = dynamic_cast<TfrmOption*>(module->FindComponent("frmOption"));
      shown_ = form->BoundsRect();
      form->CloseBox();
    });
    TPluginCallRec r = Rec(&params);
    frame::ShowOptionsDialog(&r);
    EXPECT_EQ(shown_.left, 10);
    EXPECT_EQ(shown_.top, 20);
    std::ofstream(ini_, std::ios::binary) << "[Common]\r\nLeft=5000\r\nTop=20\r\n";
    frame::ShowOptionsDialog(&r);
    platform::SetModalRunHook(nullptr);
  }
  EXPECT_EQ(shown_.left, (1024 - shown_.width) / 2);
}

TEST_F(OptionsDialog, OutcomesAndFailures) {
  // 2: no instance.
  TPluginCallRec none = Rec(&params_, 0);
  frame::ShowOptionsDialog(&none);
  EXPECT_EQ(none.Output.Data, 2u);
  // 3: no dialog handler; no parameter is read.
  TaPlugin* module = Load("");
  const auto handler = module->OnShowOptionsDialog;
  module->OnShowOptionsDialog.Clear();
  TzetParamsList bad;
  bad.Add("OWNERFORM", rtl::Variant::FromAnsiText("not a number"));
  TPluginCallRec r = Rec(&bad);
  frame::ShowOptionsDialog(&r);
  EXPECT_EQ(r.Output.Data, 3u);
  // 4: the parameters cannot be read.
  module->OnShowOptionsDialog = handler;
  frame::ShowOptionsDialog(&r);
  EXPECT_EQ(r.Output.Data, 4u);
  // 0 with a log line: the handler fails.
  module->OnShowOptionsDialog = TShowOptionsDialogEvent(
      [](TzetPlugin*, PPluginCallRec, bool&) { throw rtl::Exception("boom"); });
  platform::WindowHandle window = platform::CreateMessageWindow(
      [](void*, platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
        return platform::DefaultWindowProc(w, m, wp, lp);
      },
      nullptr);
  module->MessagesProcessorHandle = window;
  TzetParamsList ok;
  TPluginCallRec r2 = Rec(&ok);
  frame::ShowOptionsDialog(&r2);
  EXPECT_EQ(r2.Output.Data, 0u);
  platform::DestroyMessageWindow(window);
  ASSERT_NE(module->LogLines, nullptr);
  EXPECT_NE(module->LogLines->GetText().find("boom {SHOWOPTIONS}"), std::string::npos)
      << module->LogLines->GetText();
}

// OK whose save fails is no success: outcome 0, the engine keeps its settings, the host log says
// what could not be written and why, and an INI file keeps every byte it had, with no temporary
// copy left beside it. The faults: the file's folder gone, its lock not obtained, its write
// refused, a full disk, and the registry refusing writes.
TEST_F(OptionsDialog, OkWhoseSaveFailsIsReportedAndLeavesTheFileAsItWas) {
  struct Case {
    const char* what;
    bool registry;
    unsigned fileOps; // with fileError: the INI file's write fails at these steps
    int fileError;
    bool lockFails;
    std::string named;  // what the log line names
    std::string reason; // and gives as the cause ("" when named says it all)
  };
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("agg-dialog-gone-" + std::to_string(std::random_device{}()));
  const std::string ini = (folder / "x.ini").string();
  for (const Case& c :
       {Case{"the file's folder is gone", false, 0, 0, false, ini, ""},
        Case{"the lock is not obtained", false, 0, 0, true, ini, "could not be obtained"},
        Case{"the write is refused", false, platform::fileFaultCreate, EACCES, false, ini,
             std::strerror(EACCES)},
        Case{"the disk is full", false, platform::fileFaultWrite, ENOSPC, false, ini,
             std::strerror(ENOSPC)},
        Case{"the registry refuses writes", true, 0, 0, false, "\"Left\"", ""}}) {
    SCOPED_TRACE(c.what);
    std::filesystem::create_directories(folder);
    const std::filesystem::path kept = ini_;
    ini_ = ini;
    TaPlugin* module = Load("Var1=Hum\r\nTimeout=100\r\n");
    const std::string before = IniText();
    // Log lines are queued only for a host that gave a message window.
    platform::WindowHandle window = platform::CreateMessageWindow(
        [](void*, platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
          return platform::DefaultWindowProc(w, m, wp, lp);
        },
        nullptr);
    module->MessagesProcessorHandle = window;
    if (c.registry)
      ini_.clear(); // the dialog loads and saves through the registry
    std::optional<platform::ScopedRegistryFault> registryFaults[2];
    std::optional<platform::ScopedNamedLockFault> lockFault;
    std::optional<platform::ScopedFileWriteFault> fileFault;
    const int32_t outcome = Show([&](TfrmOption& form) {
      Type(form.var2, u"Temp");
      platform::SetControlText(form.spTimeout->Handle(), u"500");
      if (c.registry) {
        registryFaults[0].emplace(platform::RegRoot::LocalMachine, platform::regFaultSet);
        registryFaults[1].emplace(platform::RegRoot::CurrentUser, platform::regFaultSet);
      } else if (c.lockFails) {
        lockFault.emplace();
      } else if (c.fileOps) {
        fileFault.emplace(c.fileOps, c.fileError);
      } else {
        std::filesystem::remove_all(folder);
      }
      dynamic_cast<TButton*>(form.FindComponent("btnOK"))->Click();
    });
    registryFaults[0].reset();
    registryFaults[1].reset();
    lockFault.reset();
    fileFault.reset();
    platform::DestroyMessageWindow(window);
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(module->Engine->TimeoutMs(), 100u) << "the engine keeps the settings it had";
    if (std::filesystem::exists(folder)) {
      std::ifstream in(ini, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);
      for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "x.ini") << "left behind: " << entry.path();
    }
    ASSERT_NE(module->LogLines, nullptr);
    const std::string log = module->LogLines->GetText();
    module->LogLines->Clear();
    EXPECT_NE(log.find("The settings could not be saved: "), std::string::npos) << log;
    EXPECT_NE(log.find(c.named), std::string::npos) << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
    EXPECT_NE(log.find("{SHOWOPTIONS}"), std::string::npos) << log;
    // The file the dialog used (none: the registry), so that the last UNLOAD saves nowhere else.
    TzetParamsList unload;
    unload.Add("COMMAND", rtl::Variant::FromAnsiText("UNLOAD"));
    unload.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
    TPluginCallRec r = Rec(&unload);
    frame::ExecutePluginCommand(&r);
    std::filesystem::remove_all(folder);
    ini_ = kept;
  }
}

// A release (or the library's end) while the dialog runs, from the dialog's own thread or from
// another: the instance leaves the list at once, the dialog is closed as with the close box, and
// the instance is destroyed once, after the dialog has gone.
TEST_F(OptionsDialog, ReleasedWhileTheDialogRunsIsDestroyedAfterIt) {
  enum class Way { OwnThread, OtherThread, LibraryEnd };
  for (const Way way : {Way::OwnThread, Way::OtherThread, Way::LibraryEnd}) {
    SCOPED_TRACE(static_cast<int>(way));
    TaPlugin* module = Load("Var1=Hum\r\n");
    int destroyed = 0;
    module->OnDestroy = TNotifyEvent([&](TObject*) { ++destroyed; });
    const int32_t outcome = Show([&](TfrmOption& form) {
      const auto release = [&] {
        if (way == Way::LibraryEnd) {
          frame::LibraryEnd();
          return;
        }
        TPluginCallRec r = Rec(nullptr);
        r.Action = ZET_ACTION_RELEASE;
        TzetPlugin* none = nullptr;
        EXPECT_FALSE(frame::FindInstance(&r, none, false));
      };
      if (way == Way::OwnThread)
        release();
      else
        std::thread(release).join();
      EXPECT_EQ(destroyed, 0) << "not under its dialog";
      if (way != Way::LibraryEnd) {
        EXPECT_EQ(Instance(), nullptr) << "no longer listed";
      }
#ifdef _WIN32
      // The close request is a message queued for this thread.
      for (int i = 0; i < 200 && form.ModalResult() == mrNone; ++i) {
        platform::Message msg;
        while (platform::PeekRemoveMessage(msg))
          platform::DispatchWindowMessage(msg);
        if (form.ModalResult() == mrNone)
          platform::SleepMs(10);
      }
      EXPECT_EQ(form.ModalResult(), mrCancel) << "closed by the release";
#else
      (void)form;
#endif
    });
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(destroyed, 1);
    if (way == Way::LibraryEnd) {
      frame::LibraryStart();
      frame::SetPluginClass(TaPlugin::ClassRef());
    }
  }
}

// A language file that asks for right-to-left reading and a character set: the real dialog is
// mirrored and its font is in that set, and its texts are translated.
TEST_F(OptionsDialog, ALanguageReadRightToLeftMirrorsTheDialogAndSetsItsFont) {
  TaPlugin* module = Load("");
  const std::filesystem::path lng = ini_.string() + ".lng";
  std::ofstream(lng, std::ios::binary)
      << "//Encoding=UTF-8\r\n//BiDiMode=RightToLeft\r\n//"
         "Charset=windows-1256\r\n\r\n[Languages]\r\n$AR=Arabic\r\n\r\n"
         "EN:>Aggregate "
         "variables\r\nAR:>\xd9\x85\xd8\xaa\xd8\xba\xd9\x8a\xd8\xb1\xd8\xa7\xd8\xaa\r\n\r\n";
  module->Translator->LanguageFile = lng.string();
  platform::SetModalRunHook([&](platform::ControlHandle dialog) {
    auto* form = dynamic_cast<TfrmOption*>(module->FindComponent("frmOption"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->BiDiMode, bdRightToLeft);
    EXPECT_EQ(form->Font()->Charset, 178);
    EXPECT_EQ(form->gbParams->Caption(), u"\u0645\u062a\u063a\u064a\u0631\u0627\u062a");
    EXPECT_TRUE(platform::DialogMirrored(dialog));
    EXPECT_EQ(platform::DialogFontCharset(dialog), 178);
    form->CloseBox();
  });
  TzetParamsList params;
  params.Add("INI-FILE", rtl::Variant::FromAnsiText(ini_.string()));
  params.Add("LANGUAGE", rtl::Variant::FromAnsiText("AR"));
  TPluginCallRec r = Rec(&params);
  frame::ShowOptionsDialog(&r);
  platform::SetModalRunHook(nullptr);
  EXPECT_EQ(r.Output.Data, 0u);

  // The application-wide pass reaches the forms of the calling thread, and only those.
  TForm mine(nullptr);
  mine.SetCaption(u"Aggregate variables");
  std::unique_ptr<TForm> theirs;
  std::thread([&] {
    theirs = std::make_unique<TForm>(nullptr);
    theirs->SetCaption(u"Aggregate variables");
  }).join();
  EXPECT_TRUE(module->Translator->Translate("AR", nullptr, nullptr, "EN"));
  support::TheApplication().BiDiMode = 0;
  EXPECT_EQ(mine.Caption(), u"\u0645\u062a\u063a\u064a\u0631\u0627\u062a");
  EXPECT_EQ(mine.BiDiMode, bdRightToLeft);
  EXPECT_EQ(theirs->Caption(), u"Aggregate variables");
  std::filesystem::remove(lng);
}

intptr_t CountReloads(void* context, platform::WindowHandle window, uint32_t message,
                      uintptr_t wParam, intptr_t lParam) {
  if (message == ZET_WM_HOST_RELOAD_SETTINGS) {
    static_cast<std::vector<uintptr_t>*>(context)->push_back(wParam);
    return 0;
  }
  return platform::DefaultWindowProc(window, message, wParam, lParam);
}

TEST_F(OptionsDialog, OkReloadsTheOtherInstancesOfTheSameRegistryPath) {
  TaPlugin* self = Load("Var1=A\r\n", 91);
  TaPlugin* sameThread = Load("Var1=A\r\n", 92);
  TaPlugin* otherPath = Load("Var1=A\r\n", 93);
  otherPath->ModuleRegistryPath = "\\Software\\Other";
  // An instance loaded on another thread is told through the host's window.
  std::vector<uintptr_t> reloads;
  platform::WindowHandle window = platform::CreateMessageWindow(&CountReloads, &reloads);
  TaPlugin* otherThread = nullptr;
  std::thread([&] { otherThread = Load("Var1=A\r\n", 94); }).join();
  otherThread->MessagesProcessorHandle = window;
  otherThread->ModuleIndex = 7;

  Show([](TfrmOption& form) {
    Type(form.var1, u"B");
    dynamic_cast<TButton*>(form.FindComponent("btnOK"))->Click();
  });
  platform::Message msg;
  while (platform::PeekRemoveMessage(msg))
    platform::DispatchWindowMessage(msg);
  EXPECT_EQ(self->Cfg->Vars[0], "B");
  EXPECT_EQ(sameThread->Cfg->Vars[0], "B") << "reloaded directly";
  EXPECT_EQ(otherPath->Cfg->Vars[0], "A") << "another registry path is left alone";
  EXPECT_EQ(otherThread->Cfg->Vars[0], "A") << "the host reloads it on its own thread";
  EXPECT_EQ(reloads, std::vector<uintptr_t>{7});
  platform::DestroyMessageWindow(window);
}

} // namespace
