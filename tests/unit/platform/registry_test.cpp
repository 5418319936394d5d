// The registry: typed values read back as written, missing keys and values, deletion, names that
// ignore case, and the ways a root can refuse writing (the test seam on both platforms, a
// read-only root folder in the POSIX stand-in), which decide where settings land.
#include "platform/registry.h"

#include "platform_test_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using namespace platform;
namespace fs = std::filesystem;

std::string KeyPath(const std::string& name) {
  return platform_test::TestKeyPath() + "\\" + name;
}

std::vector<uint8_t> Bytes(const void* data, std::size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  return {p, p + size};
}

TEST(Registry, TypedValuesReadBackWithTheirTypesAndBytes) {
  RegStatus status = -1;
  ScopedKey key = CreateKey(RegRoot::CurrentUser, KeyPath("Typed"), &status);
  ASSERT_TRUE(key) << status;
  EXPECT_EQ(status, kRegOk);

  const double number = 2.5;
  ASSERT_EQ(key.SetString("Text", "two words"), kRegOk);
  ASSERT_EQ(key.SetString("Empty", ""), kRegOk);
  ASSERT_EQ(key.SetDword("Count", 0x80000001u), kRegOk);
  ASSERT_EQ(key.SetBinary("Float", &number, sizeof number), kRegOk);
  ASSERT_EQ(key.SetString("", "default"), kRegOk);
  key.Close();

  ScopedKey reader = OpenKey(RegRoot::CurrentUser, "\\" + KeyPath("Typed"), RegAccess::Read);
  ASSERT_TRUE(reader);
  RegValue v;
  ASSERT_EQ(reader.Query("Text", v), kRegOk);
  EXPECT_EQ(v.Type, regSz);
  EXPECT_EQ(v.Data, Bytes("two words", 10)); // stored with its terminating zero
  EXPECT_EQ(v.AsString(), "two words");
  EXPECT_EQ(v.AsDword(), std::nullopt);

  ASSERT_EQ(reader.Query("Empty", v), kRegOk);
  EXPECT_EQ(v.Type, regSz);
  EXPECT_EQ(v.AsString(), "");

  ASSERT_EQ(reader.Query("Count", v), kRegOk);
  EXPECT_EQ(v.Type, regDword);
  EXPECT_EQ(v.Data, (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x80}));
  EXPECT_EQ(v.AsDword(), 0x80000001u);
  EXPECT_EQ(v.AsString(), std::nullopt);

  ASSERT_EQ(reader.Query("Float", v), kRegOk);
  EXPECT_EQ(v.Type, regBinary);
  ASSERT_EQ(v.Data.size(), 8u);
  double back = 0;
  std::memcpy(&back, v.Data.data(), 8);
  EXPECT_EQ(back, 2.5);

  EXPECT_EQ(reader.Query("")->AsString(), "default");
  auto names = reader.ValueNames();
  EXPECT_EQ(names.size(), 5u);
}

TEST(Registry, RewritingAValueReplacesItsTypeAndKeepsTheOthers) {
  ScopedKey key = CreateKey(RegRoot::CurrentUser, KeyPath("Rewrite"));
  ASSERT_TRUE(key);
  ASSERT_EQ(key.SetDword("Var1", 7), kRegOk);
  ASSERT_EQ(key.SetString("Var2", "keep"), kRegOk);
  ASSERT_EQ(key.SetString("var1", "now text"), kRegOk); // value names ignore case
  auto v = key.Query("VAR1");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Type, regSz);
  EXPECT_EQ(v->AsString(), "now text");
  EXPECT_EQ(key.Query("Var2")->AsString(), "keep");
  EXPECT_EQ(key.ValueNames().size(), 2u);
}

TEST(Registry, MissingKeysAndValuesAreReportedAsNotFound) {
  RegStatus status = 0;
  EXPECT_FALSE(OpenKey(RegRoot::CurrentUser, KeyPath("Nowhere\\Deeper"), RegAccess::Read, &status));
  EXPECT_EQ(status, kRegNotFound);

  ScopedKey key = CreateKey(RegRoot::CurrentUser, KeyPath("Missing"));
  ASSERT_TRUE(key);
  RegValue v;
  EXPECT_EQ(key.Query("Absent", v), kRegNotFound);
  EXPECT_FALSE(key.Query("Absent"));
  EXPECT_EQ(key.DeleteValue("Absent"), kRegNotFound);

  ScopedKey closed;
  EXPECT_EQ(closed.Query("x", v), kRegInvalidHandle);
  EXPECT_EQ(closed.SetDword("x", 1), kRegInvalidHandle);
  EXPECT_FALSE(closed.OpenSubKey("x", RegAccess::Read));
  EXPECT_FALSE(OpenKey(RegRoot::CurrentUser, KeyPath("a\\\\b"), RegAccess::Read, &status));
  EXPECT_EQ(status, kRegBadPath);
}

TEST(Registry, DeletingValuesAndWholeKeys) {
  {
    ScopedKey key = CreateKey(RegRoot::CurrentUser, KeyPath("Doomed\\Child\\Grandchild"));
    ASSERT_TRUE(key);
    ASSERT_EQ(key.SetString("Leaf", "x"), kRegOk);
    ASSERT_EQ(key.SetString("Other", "y"), kRegOk);
    EXPECT_EQ(key.DeleteValue("leaf"), kRegOk);
    EXPECT_FALSE(key.Query("Leaf"));
    EXPECT_TRUE(key.Query("Other"));
  }
  EXPECT_EQ(DeleteKey(RegRoot::CurrentUser, KeyPath("Doomed")), kRegOk);
  EXPECT_FALSE(OpenKey(RegRoot::CurrentUser, KeyPath("Doomed"), RegAccess::Read));
  EXPECT_EQ(DeleteKey(RegRoot::CurrentUser, KeyPath("Doomed")), kRegNotFound);
  EXPECT_EQ(DeleteKey(RegRoot::CurrentUser, "\\"), kRegBadPath); // never the whole root
}

TEST(Registry, AWriteThroughADeletedKeyFails) {
  ScopedKey key = CreateKey(RegRoot::CurrentUser, KeyPath("Vanishing"));
  ASSERT_TRUE(key);
  ASSERT_EQ(DeleteKey(RegRoot::CurrentUser, KeyPath("Vanishing")), kRegOk);
  EXPECT_EQ(key.SetDword("Late", 1), kRegKeyDeleted);
  EXPECT_FALSE(OpenKey(RegRoot::CurrentUser, KeyPath("Vanishing"), RegAccess::Read));
}

TEST(Registry, KeyNamesIgnoreCaseAndKeepTheirFirstSpelling) {
  ScopedKey created = CreateKey(RegRoot::CurrentUser, "\\" + KeyPath("Mixed\\CaseKey") + "\\");
  ASSERT_TRUE(created);
  ASSERT_EQ(created.SetDword("N", 1), kRegOk);

  ScopedKey again = CreateKey(RegRoot::CurrentUser, KeyPath("MIXED\\casekey"));
  ASSERT_TRUE(again);
  EXPECT_EQ(again.Query("n")->AsDword(), 1u);

  ScopedKey parent = OpenKey(RegRoot::CurrentUser, KeyPath("mixed"), RegAccess::Read);
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent.SubKeyNames(), std::vector<std::string>{"CaseKey"});
  ScopedKey child = parent.OpenSubKey("CASEKEY", RegAccess::Read);
  ASSERT_TRUE(child);
  EXPECT_EQ(child.Query("N")->AsDword(), 1u);
}

TEST(Registry, SubKeysOpenRelativeToAnOpenKey) {
  ScopedKey base = CreateKey(RegRoot::CurrentUser, KeyPath("Relative"));
  ASSERT_TRUE(base);
  ScopedKey nested = base.CreateSubKey("One\\Two");
  ASSERT_TRUE(nested);
  ASSERT_EQ(nested.SetString("Where", "nested"), kRegOk);
  EXPECT_EQ(OpenKey(RegRoot::CurrentUser, KeyPath("Relative\\One\\Two"), RegAccess::Read)
                .Query("Where")
                ->AsString(),
            "nested");
  ScopedKey reader = base.OpenSubKey("one", RegAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_TRUE(reader.OpenSubKey("two", RegAccess::ReadWrite));
}

TEST(Registry, ConcurrentWritersToOneKeyLoseNoValue) {
  ASSERT_TRUE(CreateKey(RegRoot::CurrentUser, KeyPath("Busy")));
  constexpr int kThreads = 4, kValues = 25;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([t] {
      ScopedKey key = OpenKey(RegRoot::CurrentUser, KeyPath("Busy"), RegAccess::ReadWrite);
      for (int i = 0; i < kValues; ++i)
        key.SetDword("T" + std::to_string(t) + "_" + std::to_string(i), static_cast<uint32_t>(i));
    });
  for (auto& w : writers)
    w.join();
  ScopedKey key = OpenKey(RegRoot::CurrentUser, KeyPath("Busy"), RegAccess::Read);
  EXPECT_EQ(key.ValueNames().size(), static_cast<std::size_t>(kThreads * kValues));
}

// The settings store's choice of root: the first root under which the key can be created with
// full access, else the second.
std::optional<RegRoot> RootForSaving(RegRoot first, RegRoot second, const std::string& path) {
  for (RegRoot root : {first, second})
    if (CreateKey(root, path))
      return root;
  return std::nullopt;
}

TEST(Registry, InjectedFaultsRefuseWritesUnderOneRootOnly) {
  const std::string path = KeyPath("Faults");
  {
    ScopedKey key = CreateKey(RegRoot::LocalMachine, path);
    ASSERT_TRUE(key);
    ASSERT_EQ(key.SetString("Before", "x"), kRegOk);
  }
  ScopedKey openedEarlier = OpenKey(RegRoot::LocalMachine, path, RegAccess::ReadWrite);
  ASSERT_TRUE(openedEarlier);
  {
    ScopedRegistryFault fault(RegRoot::LocalMachine, regFaultWrites);
    RegStatus status = 0;
    EXPECT_FALSE(CreateKey(RegRoot::LocalMachine, path, &status));
    EXPECT_EQ(status, kRegAccessDenied);
    EXPECT_FALSE(OpenKey(RegRoot::LocalMachine, path, RegAccess::ReadWrite, &status));
    EXPECT_EQ(status, kRegAccessDenied);
    EXPECT_EQ(openedEarlier.SetString("During", "x"), kRegAccessDenied);
    EXPECT_EQ(openedEarlier.DeleteValue("Before"), kRegAccessDenied);
    EXPECT_EQ(DeleteKey(RegRoot::LocalMachine, path), kRegAccessDenied);
    // Reading still works, and the other roots are untouched.
    ScopedKey reader = OpenKey(RegRoot::LocalMachine, path, RegAccess::Read);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader.Query("Before")->AsString(), "x");
    EXPECT_EQ(RootForSaving(RegRoot::LocalMachine, RegRoot::CurrentUser, path),
              RegRoot::CurrentUser);
  }
  EXPECT_EQ(openedEarlier.SetString("After", "x"), kRegOk);
  EXPECT_EQ(RootForSaving(RegRoot::LocalMachine, RegRoot::CurrentUser, path),
            RegRoot::LocalMachine);

  ScopedRegistryFault unreadable(RegRoot::LocalMachine, regFaultQuery | regFaultOpenRead);
  RegValue v;
  EXPECT_EQ(openedEarlier.Query("Before", v), kRegAccessDenied);
  EXPECT_FALSE(OpenKey(RegRoot::LocalMachine, path, RegAccess::Read));
}

// The POSIX stand-in: a root folder without write permission behaves as a root the user may
// read but not change, whoever runs the test.
TEST(Registry, AReadOnlyRootFolderSendsSavesToTheSecondRoot) {
  const std::string folder = RegistryRootFolder(RegRoot::LocalMachine);
  if (folder.empty())
    GTEST_SKIP() << "the system registry has no root folders";
  const std::string path = KeyPath("ReadOnlyRoot");
  ASSERT_TRUE(CreateKey(RegRoot::LocalMachine, path));
  fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  RegStatus status = 0;
  EXPECT_FALSE(OpenKey(RegRoot::LocalMachine, path, RegAccess::ReadWrite, &status));
  EXPECT_EQ(status, kRegAccessDenied);
  EXPECT_FALSE(CreateKey(RegRoot::LocalMachine, path + "\\New", &status));
  EXPECT_EQ(status, kRegAccessDenied);
  ScopedKey reader = OpenKey(RegRoot::LocalMachine, path, RegAccess::Read);
  EXPECT_TRUE(reader);
  EXPECT_EQ(reader.SetDword("x", 1), kRegAccessDenied); // a read handle cannot write
  EXPECT_EQ(RootForSaving(RegRoot::LocalMachine, RegRoot::CurrentUser, path), RegRoot::CurrentUser);
  fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(OpenKey(RegRoot::LocalMachine, path, RegAccess::ReadWrite));
}

TEST(Registry, ADamagedValuesFileIsReportedAndNotOverwritten) {
  const std::string folder = RegistryRootFolder(RegRoot::CurrentUser);
  if (folder.empty())
    GTEST_SKIP() << "the system registry keeps its own files";
  ScopedKey key = CreateKey(RegRoot::CurrentUser, KeyPath("Damaged"));
  ASSERT_TRUE(key);
  ASSERT_EQ(key.SetString("A", "x"), kRegOk);
  std::string relative = KeyPath("Damaged");
  for (char& c : relative)
    if (c == '\\')
      c = '/';
  const fs::path file = fs::path(folder) / relative / ".values";
  ASSERT_TRUE(fs::exists(file));
  std::ofstream(file, std::ios::binary | std::ios::trunc) << "AGGREG1\n\x05"; // count cut short
  RegValue v;
  EXPECT_EQ(key.Query("A", v), kRegInvalidData);
  EXPECT_EQ(key.SetString("B", "y"), kRegInvalidData);
  EXPECT_EQ(fs::file_size(file), 9u);
}

} // namespace
