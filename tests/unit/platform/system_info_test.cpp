// System information helpers: token and position rules, file-name sanitising, the special-folder
// fallbacks (driven through a replaced shell query), version resources and the variant tests.
#include "support/system_info.h"

#include "platform/environment.h"
#include "platform/module_info.h"
#include "platform/registry.h"
#include "platform_test_env.h"
#include "rtl/file_names.h"
#include "rtl/variant.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace support;
using platform::ShellFolderAnswer;
using platform::ShellFolderStatus;

std::string Delim() {
  return std::string(1, platform::PathDelimiter());
}

TEST(SystemInfoText, GetTokenCountsPartsBetweenDelimiters) {
  int32_t length = 99, pos = 99;
  EXPECT_EQ(GetToken("a\\b\\c", "\\", 1, false, &length, &pos), "a");
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(GetToken("a\\b\\c", "\\", 2, false, &length, &pos), "b");
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(GetToken("a\\b\\c", "\\", 3, false, &length, &pos), "c");
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(GetToken("a\\b\\c", "\\", 4, false, &length, &pos), "");
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(length, 0);

  EXPECT_EQ(GetToken("x, b ,y", ",", 2, true, &length, &pos), "b");
  EXPECT_EQ(length, 3);
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(GetToken("x, b ,y", ",", 2, false), " b ");

  EXPECT_EQ(GetToken("one<>two<>", "<>", 2, false), "two");
  EXPECT_EQ(GetToken("one<>two<>", "<>", 3, false, &length, &pos), "");
  EXPECT_EQ(pos, 11); // an empty last part is still a part
  EXPECT_EQ(GetToken("whole", "", 1, false), "whole");
  EXPECT_EQ(GetToken("whole", "", 2, false), "");
  EXPECT_EQ(GetToken("a,b", ",", 0, false, &length, &pos), "");
  EXPECT_EQ(pos, -1);
}

TEST(SystemInfoText, PosExSearchesFromAPositionWithCase) {
  EXPECT_EQ(PosEx("ab", "xabyab"), 2);
  EXPECT_EQ(PosEx("ab", "xabyab", 3), 5);
  EXPECT_EQ(PosEx("AB", "xabyab"), 0);
  EXPECT_EQ(PosEx("", "xab"), 0);
  EXPECT_EQ(PosEx("b", "xab", 0), 0);
  EXPECT_EQ(PosEx("b", "xab", 4), 0);
  EXPECT_EQ(PosEx("b", "xab", 3), 3);
}

TEST(SystemInfoText, MakeValidFileNameGuardsDeviceNamesAndFolderSteps) {
  EXPECT_EQ(MakeValidFileName("NUL", true, ' '), "_NUL");
  EXPECT_EQ(MakeValidFileName("con", true, ' '), "_con");
  EXPECT_EQ(MakeValidFileName("Com1:x", true, ' '), "_Com1 x");
  EXPECT_EQ(MakeValidFileName("Company", true, ' '), "_Company"); // only three letters count
  EXPECT_EQ(MakeValidFileName("lpt", true, ' '), "_lpt");
  EXPECT_EQ(MakeValidFileName("console", true, ' '), "console");
  EXPECT_EQ(MakeValidFileName("a\"*/:<>?\\|b", true, '\0'), "ab");
  EXPECT_EQ(MakeValidFileName("a'+;=[]b", true, '\0'), "a'+;=[]b");
  EXPECT_EQ(MakeValidFileName("a'+;=[]b", false, '-'), "a------b");
  EXPECT_EQ(MakeValidFileName("My|Data", true, ' '), "My Data");
  EXPECT_EQ(MakeValidFileName("..", true, ' '), "_..");
  EXPECT_EQ(MakeValidFileName("../x", true, '\0'), "..x");
  EXPECT_EQ(MakeValidFileName("", true, ' '), "");
}

TEST(SystemInfoText, ListsSplitAtSeparatorsAndLineBreaks) {
  TStringList list;
  SplitToList(list, "a|b\r\nc|", '|');
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "a");
  EXPECT_EQ(list[1], "b");
  EXPECT_EQ(list[2], "c");
  EXPECT_EQ(IndexInList("Avg|Min|Max", "Max", false), 2);
  EXPECT_EQ(IndexInList("Avg|Min|Max", "min", false), 1); // the list's search ignores case
  EXPECT_EQ(IndexInList("Avg|Min|Max", "MIN", true), 1);
  EXPECT_EQ(IndexInList("Avg|Min|Max", "Mid", true), -1);
  EXPECT_EQ(ReplaceChar("a.b.c", '.', '_'), "a_b_c");
}

TEST(SystemInfoText, CopyStringSharesNoBlock) {
  rtl::AnsiString text("shared text");
  rtl::AnsiString alias = text;
  rtl::AnsiString copy = CopyString(text);
  EXPECT_EQ(alias.BlockPointer(), text.BlockPointer());
  EXPECT_NE(copy.BlockPointer(), text.BlockPointer());
  EXPECT_EQ(copy, "shared text");
  EXPECT_TRUE(CopyString(rtl::AnsiString()).IsEmpty());
}

TEST(SystemInfoVariants, EmptyNullAndStringTests) {
  rtl::Variant empty, number = rtl::Variant::Int32(0), wide = rtl::Variant::Wide(u"w"),
                      ansi = rtl::Variant::Ansi(rtl::AnsiString("a"));
  EXPECT_TRUE(VarIsEmptyOrNull(empty.Rec()));
  EXPECT_TRUE(VarIsEmptyOrNull(rtl::Variant::Null().Rec()));
  EXPECT_FALSE(VarIsEmptyOrNull(number.Rec()));
  EXPECT_TRUE(VarIsString(wide.Rec()));
  EXPECT_TRUE(VarIsString(ansi.Rec()));
  EXPECT_FALSE(VarIsString(number.Rec()));
  EXPECT_FALSE(VarIsString(empty.Rec()));

  platform::VariantRec reference{};
  reference.vt = platform::vtByRef | platform::vtVariant;
  reference.ptr = &wide.Rec();
  EXPECT_TRUE(VarIsString(reference));
  EXPECT_FALSE(VarIsEmptyOrNull(reference));
  reference.ptr = &empty.Rec();
  EXPECT_TRUE(VarIsEmptyOrNull(reference));
}

// A replaced shell query answering one fixed status for every folder.
ShellFolderStatus g_status = ShellFolderStatus::Found;
std::string g_path;
ShellFolderAnswer FakeShell(int) {
  return {g_status, g_path};
}

class SpecialFolders : public ::testing::Test {
protected:
  void SetUp() override {
    previous_ = SetShellFolderQuery(&FakeShell);
    common_ = platform::GetEnvVar("CommonProgramFiles");
    hadCommon_ = platform::HasEnvVar("CommonProgramFiles");
    platform::UnsetEnvVar("CommonProgramFiles");
  }
  void TearDown() override {
    SetShellFolderQuery(previous_);
    if (hadCommon_)
      platform::SetEnvVar("CommonProgramFiles", common_);
  }
  static void Answer(ShellFolderStatus status, std::string path = {}) {
    g_status = status;
    g_path = std::move(path);
  }

private:
  ShellFolderQuery previous_ = nullptr;
  std::string common_;
  bool hadCommon_ = false;
};

TEST_F(SpecialFolders, TheShellsFolderGetsTheSanitisedSubFolder) {
  Answer(ShellFolderStatus::Found, "X:\\Data");
  EXPECT_EQ(GetSpecialFolder(35, "My|Data", false), "X:\\Data" + Delim() + "My Data" + Delim());
  Answer(ShellFolderStatus::Found, "X:\\Data\\");
  EXPECT_EQ(GetSpecialFolder(35, "", false), "X:\\Data\\");
}

TEST_F(SpecialFolders, AFailedQueryFallsBackToTheShellFoldersKey) {
  // The key of the user's application data; the test's own registry on POSIX, the system's
  // under Windows, whose value is then only read.
  const char* keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  std::string appData;
  if (auto key =
          platform::OpenKey(platform::RegRoot::CurrentUser, keyPath, platform::RegAccess::Read))
    if (auto value = key.Query("AppData"))
      appData = value->AsString().value_or("");
  if (appData.empty()) {
    auto key = platform::CreateKey(platform::RegRoot::CurrentUser, keyPath);
    ASSERT_TRUE(key);
    appData = (platform_test::RunFolder() / "AppData").string();
    ASSERT_EQ(key.SetString("AppData", appData), platform::kRegOk);
  }
  for (auto status : {ShellFolderStatus::Failed, ShellFolderStatus::NoQuery}) {
    Answer(status);
    const std::string folder = GetSpecialFolder(26, "Mod", false);
    EXPECT_EQ(folder.substr(0, appData.size()), appData);
    EXPECT_EQ(folder.substr(folder.size() - 4), "Mod" + Delim());
  }
}

TEST_F(SpecialFolders, WithoutTheKeyCommonFilesThenTheModuleFolderAreUsed) {
  Answer(ShellFolderStatus::Failed);
  const std::string moduleDir = GetModuleDir();
  ASSERT_FALSE(moduleDir.empty());
  EXPECT_EQ(GetSpecialFolder(5, "Mod", false), "");
  EXPECT_EQ(GetSpecialFolder(5, "Mod", true), moduleDir); // the module folder takes no sub-folder
  platform::SetEnvVar("CommonProgramFiles", "Q:\\Common");
  EXPECT_EQ(GetSpecialFolder(5, "Mod", true), "Q:\\Common" + Delim() + "Mod" + Delim());

  Answer(ShellFolderStatus::NoShell);
  EXPECT_EQ(GetSpecialFolder(26, "Mod", false), "");
  EXPECT_EQ(GetSpecialFolder(26, "Mod", true), moduleDir);
}

TEST(SystemInfoModule, FileNameAndFolderOfThisBinary) {
  const std::string fileName = GetModuleFileName();
  ASSERT_FALSE(fileName.empty());
  EXPECT_NE(rtl::ExtractFileName(fileName).find("unit_platform"), std::string::npos) << fileName;
  const std::string dir = GetModuleDir();
  EXPECT_EQ(dir, rtl::ExtractFilePath(fileName));
  EXPECT_EQ(dir.back(), platform::PathDelimiter());
  const std::string real = GetSpecialFolder(platform::kCsidlAppData, "Sub", false);
  if (!real.empty()) {
    EXPECT_EQ(real.substr(real.size() - 4), "Sub" + Delim());
  }
}

// The system's view of the command line agrees with what the runtime handed to main (the
// program's own name may be spelt differently, so it is not compared).
TEST(SystemInfoModule, ProcessArgumentsAreThoseTheProgramWasStartedWith) {
  const std::vector<std::string> seen = platform::ProcessArguments();
  const std::vector<std::string> given = ::testing::internal::GetArgvs();
  ASSERT_FALSE(seen.empty());
  EXPECT_NE(seen.front().find("unit_platform"), std::string::npos) << seen.front();
  ASSERT_EQ(seen.size(), given.size());
  for (std::size_t i = 1; i < seen.size(); ++i)
    EXPECT_EQ(seen[i], given[i]);
}

TEST(SystemInfoModule, FilesWithoutAVersionResourceReadAsInvalid) {
  const auto plain = platform_test::RunFolder() / "plain.txt";
  std::ofstream(plain) << "no resources here";
  for (const std::string& name :
       {plain.string(), (platform_test::RunFolder() / "absent").string()}) {
    TzetVersionInfo info(name);
    EXPECT_FALSE(info.Valid);
    EXPECT_EQ(info.VersionText(), "0.0.0.0");
    EXPECT_EQ(info.ProductName, "");
    EXPECT_EQ(info.FileDescription, "");
  }
}

TEST(SystemInfoModule, ASystemLibraryHasVersionAndStrings) {
  const std::string systemRoot = GetEnvVar("SystemRoot");
  if (systemRoot.empty())
    GTEST_SKIP() << "no system libraries with version resources here";
  TzetVersionInfo info(systemRoot + "\\system32\\kernel32.dll");
  ASSERT_TRUE(info.Valid);
  EXPECT_GT(info.Major + info.Minor + info.Release + info.Build, 0);
  EXPECT_FALSE(info.FileDescription.empty());
  EXPECT_EQ(platform::FileVersion(systemRoot + "\\system32\\kernel32.dll"),
            (std::array<uint16_t, 4>{info.Major, info.Minor, info.Release, info.Build}));
}

} // namespace
