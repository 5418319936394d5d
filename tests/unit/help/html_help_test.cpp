#include "support/html_help.h"

#include "platform/environment.h"
#include "platform/html_help.h"
#include "platform/module_info.h"
#include "platform/registry.h"
#include "rtl/file_names.h"
#include "rtl/form_resource.h"
#include "rtl/published.h"
#include "rtl/published_registry.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

using platform::RegRoot;
using support::TheApplication;

// The system's help viewer exists only on Windows; the POSIX stand-in has none.
bool ViewerExpected() {
  return platform::PathDelimiter() == '\\';
}

std::string BuiltHelpFile() {
  return rtl::ExtractFilePath(platform::ExecutableFileName()) + "aggregation.chm";
}

class HtmlHelp : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The POSIX registry of this binary lives in a folder of its own.
    static const std::string dir = test_support::ScratchFolder("agg-help-registry").string();
    platform::SetEnvVar("AGG_REGISTRY_DIR", dir);
    RegisterHtmlHelpClass();
  }
  void SetUp() override { THtmlHelp::UnloadHelp(); }
  void TearDown() override {
    RestoreControlKey();
    platform::RegistryFaults::Clear();
    THtmlHelp::UnloadHelp();
    TheApplication().SetHelpFile({});
  }

  /// Registers the control under Path for this test (the original entry comes back afterwards).
  void RegisterControl(const std::string& path) {
    platform::ScopedKey key =
        platform::CreateKey(RegRoot::ClassesRoot, platform::kHtmlHelpControlKey);
    ASSERT_TRUE(key);
    if (!saved_) {
      auto value = key.Query("");
      saved_ = value ? value->AsString().value_or("") : "";
    }
    ASSERT_EQ(key.Set("", platform::regSz, path.c_str(), path.size() + 1), platform::kRegOk);
  }
  void RestoreControlKey() {
    if (!saved_)
      return;
    platform::ScopedKey key =
        platform::CreateKey(RegRoot::ClassesRoot, platform::kHtmlHelpControlKey);
    if (saved_->empty())
      key.DeleteValue("");
    else
      key.Set("", platform::regSz, saved_->c_str(), saved_->size() + 1);
    saved_.reset();
  }

  std::optional<std::string> saved_;
};

TEST_F(HtmlHelp, BuildUrlJoinsFileTopicAndWindowDefinition) {
  THtmlHelp help(nullptr);
  help.SetChmFile("x.chm");
  EXPECT_EQ(help.BuildUrl(""), "x.chm");
  EXPECT_EQ(help.BuildUrl("t.htm"), "x.chm::t.htm");
  help.SetWinDef("main");
  EXPECT_EQ(help.BuildUrl(""), "x.chm>main");
  EXPECT_EQ(help.BuildUrl("t.htm"), "x.chm::t.htm>main");
}

TEST_F(HtmlHelp, PropertiesArePublishedAndDefaultFileClearsTheFile) {
  THtmlHelp help(nullptr);
  const rtl::MetaClass& meta = help.ClassType();
  ASSERT_NE(meta.FindProperty("chmfile"), nullptr);
  ASSERT_NE(meta.FindProperty("WINDEF"), nullptr);
  PPropInfo defaultFile = meta.FindProperty("DefaultFile");
  ASSERT_NE(defaultFile, nullptr);
  EXPECT_EQ(defaultFile->GetOrdinal(help), 1);
  EXPECT_EQ(defaultFile->DefaultOrdinal(), 1);

  meta.FindProperty("ChmFile")->SetText(help, "own.chm");
  meta.FindProperty("WinDef")->SetText(help, "main");
  EXPECT_EQ(help.BuildUrl(""), "own.chm>main");
  defaultFile->SetOrdinal(help, 0);
  EXPECT_EQ(help.ChmFile(), "own.chm");
  defaultFile->SetOrdinal(help, 1);
  EXPECT_EQ(help.ChmFile(), "");
  EXPECT_TRUE(rtl::FindClass("THtmlHelp"));
}

TEST_F(HtmlHelp, ReadFromAFormTakesTheApplicationHelpFile) {
  const std::string exeFolder = rtl::ExtractFilePath(platform::ExecutableFileName());
  ASSERT_FALSE(exeFolder.empty());
  auto read = [](const char* text) {
    auto root = std::make_unique<TComponent>(nullptr);
    rtl::ReadForm(text, *root);
    return root;
  };
  constexpr char kDefault[] =
      "object Dialog: TComponent\n  object HtmlHelp1: THtmlHelp\n  end\nend\n";
  constexpr char kOwn[] = "object Dialog: TComponent\n  object HtmlHelp1: THtmlHelp\n"
                          "    ChmFile = 'own.chm'\n    DefaultFile = False\n  end\nend\n";

  TheApplication().SetHelpFile("app.chm");
  auto root = read(kDefault);
  auto* help = dynamic_cast<THtmlHelp*>(root->FindComponent("HtmlHelp1"));
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->ChmFile(), exeFolder + "app.chm");

  const std::string withFolder = exeFolder + "docs" + platform::PathDelimiter() + "app.chm";
  TheApplication().SetHelpFile(withFolder);
  root = read(kDefault);
  EXPECT_EQ(dynamic_cast<THtmlHelp*>(root->FindComponent("HtmlHelp1"))->ChmFile(), withFolder);

  root = read(kOwn);
  EXPECT_EQ(dynamic_cast<THtmlHelp*>(root->FindComponent("HtmlHelp1"))->ChmFile(), "own.chm");

  // Without an application help file there is nothing to take, not even the program's folder.
  TheApplication().SetHelpFile({});
  root = read(kDefault);
  EXPECT_EQ(dynamic_cast<THtmlHelp*>(root->FindComponent("HtmlHelp1"))->ChmFile(), "");
}

TEST_F(HtmlHelp, AnswersTheApplicationsHelpWhileItLivesWhateverTheOrderOfFreeing) {
  ASSERT_EQ(TheApplication().CurrentHelpHandler(), nullptr);
  EXPECT_FALSE(TheApplication().HelpCommand(support::kHelpContext, 80));
  auto first = std::make_unique<THtmlHelp>(nullptr);
  auto second = std::make_unique<THtmlHelp>(nullptr);
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), second.get());
  second.reset();
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), first.get());
  second = std::make_unique<THtmlHelp>(nullptr);
  // Freed out of order: the handler left installed is one that still lives.
  first.reset();
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), second.get());
  second.reset();
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), nullptr);

  TComponent owner(nullptr);
  auto* owned = new THtmlHelp(&owner);
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), owned);
  owner.DestroyComponents();
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), nullptr);
}

TEST_F(HtmlHelp, MapsTheSystemRootFolderOfTheRegisteredPathInAnyCase) {
  using support::MapSystemFolder;
  EXPECT_EQ(MapSystemFolder("%SystemRoot%\\System32\\hhctrl.ocx", "C:\\windows\\syswow64"),
            "C:\\windows\\syswow64\\hhctrl.ocx");
  EXPECT_EQ(MapSystemFolder("%SYSTEMROOT%\\system32\\hhctrl.ocx", "C:\\windows\\system32\\"),
            "C:\\windows\\system32\\hhctrl.ocx");
  EXPECT_EQ(MapSystemFolder("x%systemroot%\\SYSTEM32\\%SystemRoot%\\System32\\a", "S"),
            "xS\\%SystemRoot%\\System32\\a");
  EXPECT_EQ(MapSystemFolder("C:\\windows\\system32\\hhctrl.ocx", "D:\\sys"),
            "C:\\windows\\system32\\hhctrl.ocx");
  EXPECT_EQ(MapSystemFolder("%SystemRoot%\\System32\\hhctrl.ocx", ""),
            "%SystemRoot%\\System32\\hhctrl.ocx");
  EXPECT_EQ(MapSystemFolder("%SystemRoot%\\System32", "D:\\sys"), "%SystemRoot%\\System32");
}

TEST_F(HtmlHelp, WithoutTheControlF1DoesNothingAndTheContentsReportFalse) {
  THtmlHelp help(nullptr);
  help.SetChmFile(BuiltHelpFile());
  bool callHelp = true;

  // Not registered (the key cannot be read), then registered under a file that does not exist.
  platform::RegistryFaults::Set(RegRoot::ClassesRoot, platform::regFaultOpenRead);
  EXPECT_EQ(support::LocateHtmlHelpControl(), "");
  EXPECT_FALSE(THtmlHelp::HelpAvailable());
  EXPECT_EQ(help.ShowContext(80), 0u);
  EXPECT_TRUE(help.HelpHook(support::kHelpContext, 80, callHelp));
  EXPECT_FALSE(callHelp);
  EXPECT_FALSE(help.HelpHook(support::kHelpFinder, 0, callHelp));
  EXPECT_TRUE(help.HelpHook(4711, 0, callHelp));
  platform::RegistryFaults::Clear();
  // The first answer stands until the control is unloaded.
  EXPECT_FALSE(THtmlHelp::HelpAvailable());
  THtmlHelp::UnloadHelp();

  RegisterControl(rtl::ExtractFilePath(platform::ExecutableFileName()) + "no-such-control.ocx");
  EXPECT_FALSE(THtmlHelp::HelpAvailable());
  EXPECT_FALSE(TheApplication().HelpCommand(support::kHelpFinder, 0));
  EXPECT_TRUE(TheApplication().HelpCommand(support::kHelpContextPopup, 80));
}

TEST_F(HtmlHelp, FindsTheControlThroughTheRegistryAndOpensContextEighty) {
  const std::string registered = "%SYSTEMROOT%\\system32\\hhctrl.ocx";
  RegisterControl(registered);
  const std::string system = platform::SystemLibraryFolder();
  EXPECT_EQ(support::LocateHtmlHelpControl(),
            system.empty() ? registered : system + "\\hhctrl.ocx");
  EXPECT_EQ(THtmlHelp::HelpAvailable(), ViewerExpected());
  if (!ViewerExpected())
    return;

  THtmlHelp help(nullptr);
  help.SetChmFile(BuiltHelpFile());
  EXPECT_NE(help.ShowContext(80), 0u);
  EXPECT_EQ(help.ShowContext(4711), 0u);
  EXPECT_TRUE(TheApplication().HelpCommand(support::kHelpFinder, 0));
  // Unloading closes the viewer; the next request loads the control again.
  THtmlHelp::UnloadHelp();
  EXPECT_TRUE(THtmlHelp::HelpAvailable());
}

// Dialogs on two threads: each thread's help request goes to the help of its own dialog, also
// when the other thread installed its help later; either can go first, and the control stays
// loaded until the last help component has gone.
TEST_F(HtmlHelp, EachThreadHasItsOwnHelp) {
  THtmlHelp mine(nullptr);
  std::unique_ptr<THtmlHelp> theirs;
  std::thread([&] { theirs = std::make_unique<THtmlHelp>(nullptr); }).join();
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), &mine);
  std::thread([&] { EXPECT_EQ(TheApplication().CurrentHelpHandler(), theirs.get()); }).join();
  EXPECT_EQ(THtmlHelp::HelpAvailable(), ViewerExpected());
  std::thread([&] { theirs.reset(); }).join();
  EXPECT_EQ(THtmlHelp::HelpLoaded(), ViewerExpected()) << "the other dialog's help went with it";
  EXPECT_EQ(TheApplication().CurrentHelpHandler(), &mine);
  std::thread([&] { EXPECT_EQ(TheApplication().CurrentHelpHandler(), &mine); }).join();
}

} // namespace
