// The INI file store on real files: loading, writing back only changed content, replacing the
// file in one step, and failures that must reach the caller.
#include "settings/big_ini_file.h"

#include "platform/file_read.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed with everything in it.
class IniFolder : public ::testing::Test {
protected:
  void SetUp() override {
    std::random_device random;
    Folder = fs::temp_directory_path() /
             ("unit_ini_" + std::to_string(random()) + "_" + std::to_string(random()));
    fs::create_directories(Folder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
  }

  std::string PathOf(const std::string& name) const { return (Folder / name).string(); }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  std::size_t EntriesInFolder() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(Folder), {}));
  }

  fs::path Folder;
};

TEST_F(IniFolder, MissingFileStartsEmptyAndIsCreatedOnFirstChange) {
  const std::string path = PathOf("new.ini");
  {
    TBigIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Common", "Var1", "none"), "none");
    EXPECT_FALSE(fs::exists(path));
    ini.WriteString("Common", "Var1", "x");
  }
  EXPECT_EQ(Get(path), "[Common]\r\nVar1=x\r\n\r\n");
  EXPECT_EQ(EntriesInFolder(), 1u); // no temporary copy left behind
  { TBigIniFile untouched(PathOf("other.ini")); }
  EXPECT_FALSE(fs::exists(PathOf("other.ini")));
}

TEST_F(IniFolder, UnchangedContentIsNotWritten) {
  const std::string path = PathOf("keep.ini");
  const std::string messy = "lead\n[A]\n\nk=v\n[a]\nx=1\n";
  Put(path, messy);
  const auto past = fs::last_write_time(path) - std::chrono::hours(1);
  fs::last_write_time(path, past);
  {
    TBigIniFile ini(path);
    ini.WriteString("A", "k", "v");
    ini.DeleteKey("A", "x"); // the repeated section's key is not reachable
    EXPECT_FALSE(ini.HasChanged());
  }
  EXPECT_EQ(Get(path), messy);
  EXPECT_EQ(fs::last_write_time(path), past);
}

TEST_F(IniFolder, ChangedContentReplacesTheFileNormalised) {
  const std::string path = PathOf("change.ini");
  Put(path, "lead\n[A]\n\nk=v\n[a]\nx=1\n\n[B]\r\nb=1");
  TBigIniFile ini(path);
  ini.WriteInteger("B", "b", 2);
  ini.UpdateFile();
  EXPECT_FALSE(ini.HasChanged());
  EXPECT_EQ(Get(path), "[A]\r\nk=v\r\n\r\n[B]\r\nb=2\r\n\r\n");
  EXPECT_EQ(EntriesInFolder(), 1u);
  // The file is read only once: what another writer puts there meanwhile is not seen.
  Put(path, "[B]\nb=3\n");
  EXPECT_EQ(ini.ReadInteger("B", "b", 0), 2);
}

TEST_F(IniFolder, WriteFailuresReachTheCallerAndKeepTheChange) {
  TBigIniFile inMissingFolder(PathOf("no/such/folder/x.ini"));
  inMissingFolder.WriteString("S", "k", "v");
  EXPECT_THROW(inMissingFolder.UpdateFile(), EFCreateError);
  EXPECT_TRUE(inMissingFolder.HasChanged());

  // The target's place is taken by a folder after loading: the copy is written but cannot
  // replace it.
  {
    TBigIniFile ini(PathOf("taken.ini"));
    fs::create_directory(Folder / "taken.ini");
    ini.WriteString("S", "k", "v");
    try {
      ini.UpdateFile();
      ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& e) {
      EXPECT_NE(std::string(e.what()).find("taken.ini"), std::string::npos) << e.what();
    }
  } // the destructor tries once more and must not throw
  EXPECT_TRUE(fs::is_directory(Folder / "taken.ini"));
  EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(IniFolder, FileThatCannotBeReadRaises) {
  fs::create_directory(Folder / "dir.ini");
  EXPECT_THROW(TBigIniFile ini(PathOf("dir.ini")), EFOpenError);

  // A file another handle holds open for writing may be half written: where the system can tell,
  // it is not read at all, so that a save cannot write a part of it back.
  const std::string path = PathOf("busy.ini");
  Put(path, "[S]\r\nk=v\r\n");
  std::FILE* writer = std::fopen(path.c_str(), "r+b");
  ASSERT_TRUE(writer);
  if (platform::ReadingShutsOutWriters()) {
    EXPECT_THROW(TBigIniFile ini(path), EFOpenError);
  } else {
    TBigIniFile ini(path);
    EXPECT_EQ("v", ini.ReadString("S", "k", ""));
  }
  std::fclose(writer);
  TBigIniFile ini(path);
  EXPECT_EQ("v", ini.ReadString("S", "k", ""));
}

} // namespace
