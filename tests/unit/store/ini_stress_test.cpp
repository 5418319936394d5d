// Processes and threads that save to one INI file in a loop. The file's lock serialises them, so
// every load between the saves sees a whole file in which no key of either writer is missing or
// older than it was.
#include "store_test_support.h"

#include "platform/environment.h"
#include "platform/module_info.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

namespace {

constexpr int kRounds = 200;
constexpr const char* kFileVariable = "AGG_STORE_STRESS_INI";

// The keys of one writer: sections "<Role>" and "<Role>.Data".
std::string RoleMap(const std::string& role) {
  return "Left," + role + "\\Round\nvar1.Text," + role + "\\Name\nvar2.Text," + role +
         "\\Data\\Text\nCounter," + role + "\\Data\\Counter\n";
}

void Save(const std::string& file, const std::string& role, int round) {
  TWreg store(nullptr);
  store.SetINIFile(file);
  SetMap(store, RoleMap(role));
  TStoreSettings settings;
  settings.Left = round;
  settings.var[0] = role + " process";
  settings.var[1] = std::to_string(round) + " +text";
  settings.Counter = round * 1000;
  ASSERT_TRUE(store.SaveValues(&settings))
      << role << " could not save round " << round << " to " << file << ": " << store.LastError();
}

// The round a writer saved last, -1 when it saved none yet; its other keys must agree with it.
int CheckRound(const std::string* values, const std::string& role) {
  if (values[0].empty()) {
    EXPECT_EQ("", values[1] + values[2] + values[3]) << role;
    return -1;
  }
  const int round = std::stoi(values[0]);
  EXPECT_EQ(role + " process", values[1]);
  EXPECT_EQ(std::to_string(round) + " +text", values[2]);
  EXPECT_EQ(std::to_string(round * 1000), values[3]);
  return round;
}

// The last rounds of Role and Other, read in one load: the map's items name nothing, so every
// value goes to the SetValue event.
std::pair<int, int> LoadRounds(const std::string& file, const std::string& role,
                               const std::string& other) {
  TWreg store(nullptr);
  store.SetINIFile(file);
  SetMap(store, RoleMap(role) + RoleMap(other));
  std::string values[8];
  store.BeforeProcessItem = [](TObject*, const std::string&, int32_t, bool& require, bool&,
                               TTypeKind& type) {
    require = true;
    type = tkLString;
  };
  store.SetValue = [&](TObject*, const std::string&, int32_t index, const rtl::Variant& value) {
    values[index] = value.ToText();
  };
  EXPECT_TRUE(store.LoadValues(nullptr));
  const int own = CheckRound(values, role);
  return {own, CheckRound(values + 4, other)};
}

// Saves rounds 0 to kRounds-1 as Role; after each, its own round must be the one just saved,
// and the other writer's round must never go back.
void SaveRounds(const std::string& file, const std::string& role, const std::string& other) {
  int otherRound = -1;
  for (int round = 0; round < kRounds && !::testing::Test::HasFailure(); ++round) {
    Save(file, role, round);
    auto [own, seen] = LoadRounds(file, role, other);
    ASSERT_EQ(round, own);
    ASSERT_GE(seen, otherRound);
    otherRound = seen;
    // Start together: after the first save wait (a few seconds at most) for the other writer.
    for (int wait = 0; round == 0 && otherRound < 0 && wait < 1000; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      otherRound = LoadRounds(file, role, other).second;
    }
  }
}

TEST(IniStress, TwoProcessesSaveToOneFile) {
  const std::string file = FreshIniFile();
  ASSERT_TRUE(platform::SetEnvVar(kFileVariable, file));
  const std::string self = platform::ModuleFileName(0);
  ASSERT_FALSE(self.empty());
  std::string command = self + " --gtest_also_run_disabled_tests"
                               " --gtest_filter=IniStress.DISABLED_ChildProcess --gtest_brief=1";
  if (self.find(' ') != std::string::npos)
    command = "\"\"" + self + "\"" + command.substr(self.size()) + "\"";
  int childResult = -1;
  std::thread child([&] { childResult = std::system(command.c_str()); });
  SaveRounds(file, "Parent", "Child");
  child.join();
  platform::UnsetEnvVar(kFileVariable);
  EXPECT_EQ(0, childResult);
  EXPECT_EQ(std::make_pair(kRounds - 1, kRounds - 1), LoadRounds(file, "Parent", "Child"));
}

// The other process of the test above, started by it.
TEST(IniStress, DISABLED_ChildProcess) {
  const std::string file = platform::GetEnvVar(kFileVariable);
  ASSERT_FALSE(file.empty());
  SaveRounds(file, "Child", "Parent");
}

TEST(IniStress, TwoThreadsSaveToOneFile) {
  const std::string file = FreshIniFile();
  std::thread other([&] { SaveRounds(file, "Thread", "Main"); });
  SaveRounds(file, "Main", "Thread");
  other.join();
  EXPECT_EQ(std::make_pair(kRounds - 1, kRounds - 1), LoadRounds(file, "Main", "Thread"));
}

// The lock is recursive: a store run from an event of another store of the same file, on the same
// thread, does not wait for itself.
TEST(IniStress, AStoreInsideAnotherStoresEventUsesTheSameFile) {
  const std::string file = FreshIniFile();
  WriteFileText(file, "[Outer]\nRound=1\nName=Outer process\n"
                      "[Outer.Data]\nText=1 %2Btext\nCounter=1000\n");
  TWreg outer(nullptr);
  outer.SetINIFile(file);
  SetMap(outer, RoleMap("Outer"));
  int innerRound = -2;
  outer.BeforeProcessItem = [&](TObject*, const std::string&, int32_t index, bool&, bool&,
                                TTypeKind&) {
    if (index == 0)
      innerRound = LoadRounds(file, "Outer", "Nobody").first;
  };
  TStoreSettings settings;
  settings.Left = 4;
  settings.var[0] = "Outer process";
  settings.var[1] = "4 +text";
  settings.Counter = 4000;
  ASSERT_TRUE(outer.SaveValues(&settings));
  EXPECT_EQ(1, innerRound); // the outer store had not written the file yet
  EXPECT_EQ(4, LoadRounds(file, "Outer", "Nobody").first);
}

} // namespace
