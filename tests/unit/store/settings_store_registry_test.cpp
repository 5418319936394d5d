// The settings store with the registry: root selection, value types, and values that are dropped
// because they cannot be read or written.
#include "store_test_support.h"

#include <cstring>

namespace {

using platform::RegRoot;

class RegistryStoreTest : public RegistryTest {
protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Configure(store);
  }
  TWreg store{nullptr};
  TStoreSettings settings;
};

TEST_F(RegistryStoreTest, WritesDwordStringAndBinaryValues) {
  FillSettings(settings);
  settings.Counter = int64_t(-1) << 40;
  SetMap(store, "Left,Left\nvar2.Text,Var2\nchkNoReset.Checked,No reset\n"
                "spTimeout.Value,Sub\\Timeout\nCounter,Counter\nnoSuch.Text,Lost\\Var");
  ASSERT_TRUE(store.SaveValues(&settings));

  platform::ScopedKey key = Key(RegRoot::LocalMachine);
  ASSERT_TRUE(key.IsOpen());
  EXPECT_EQ(uint32_t(-20), key.Query("Left")->AsDword());
  EXPECT_EQ("++two+ spaces", key.Query("Var2")->AsString());
  EXPECT_EQ("True", key.Query("No reset")->AsString());
  EXPECT_EQ(platform::regQword, key.Query("Counter")->Type);
  std::optional<platform::RegValue> timeout = Key(RegRoot::LocalMachine, "Sub").Query("Timeout");
  ASSERT_TRUE(timeout);
  EXPECT_EQ(platform::regBinary, timeout->Type);
  double stored = 0;
  ASSERT_EQ(8u, timeout->Data.size());
  std::memcpy(&stored, timeout->Data.data(), 8);
  EXPECT_EQ(1234.5, stored);
  // A line that resolves to nothing still opens (and creates) its key, and stores nothing.
  EXPECT_TRUE(Key(RegRoot::LocalMachine, "Lost").IsOpen());
  EXPECT_TRUE(Key(RegRoot::LocalMachine, "Lost").ValueNames().empty());

  TStoreSettings loaded;
  ASSERT_TRUE(store.LoadValues(&loaded));
  EXPECT_EQ(-20, loaded.Left);
  EXPECT_EQ("  two  spaces", loaded.var[1]);
  EXPECT_EQ(1234.5, loaded.spTimeout_Value);
  EXPECT_TRUE(loaded.chkNoReset_Checked);
  EXPECT_EQ(settings.Counter, loaded.Counter);
}

TEST_F(RegistryStoreTest, ValuesOfTheWrongTypeAreDeletedOnLoad) {
  platform::ScopedKey key = platform::CreateKey(RegRoot::LocalMachine, Path);
  key.SetString("Timeout", "2.5");
  key.SetString("Left", "12");
  key.SetString("No reset", "Maybe");
  const double number = 7.25;
  key.SetBinary("Var1", &number, sizeof number);
  key.SetDword("Var2", 42);
  settings.spTimeout_Value = 9;
  SetMap(store, "spTimeout.Value,Timeout\nLeft,Left\nchkNoReset.Checked,No reset\n"
                "var1.Text,Var1\nvar2.Text,Var2");
  ASSERT_TRUE(store.LoadValues(&settings));
  EXPECT_EQ(9, settings.spTimeout_Value);
  EXPECT_EQ(314, settings.Left);
  EXPECT_FALSE(settings.chkNoReset_Checked);
  EXPECT_EQ("7.25", settings.var[0]); // texts accept numbers
  EXPECT_EQ("42", settings.var[1]);
  EXPECT_FALSE(key.Query("Timeout"));
  EXPECT_FALSE(key.Query("Left"));
  EXPECT_FALSE(key.Query("No reset"));
  EXPECT_TRUE(key.Query("Var1"));
}

TEST_F(RegistryStoreTest, LoadsFromTheSecondRootWhenOnlyItHoldsTheKey) {
  platform::CreateKey(RegRoot::CurrentUser, Path).SetDword("Left", 5);
  SetMap(store, "Left,Left");
  ASSERT_TRUE(store.LoadValues(&settings));
  EXPECT_EQ(5, settings.Left);
  EXPECT_FALSE(Key(RegRoot::LocalMachine).IsOpen()); // loading creates nothing
}

TEST_F(RegistryStoreTest, SavesBelowTheSecondRootWhenTheFirstCannotBeWritten) {
  platform::ScopedRegistryFault readOnly(RegRoot::LocalMachine, platform::regFaultWrites);
  settings.Left = 8;
  SetMap(store, "Left,Left");
  ASSERT_TRUE(store.SaveValues(&settings));
  EXPECT_EQ(8u, Key(RegRoot::CurrentUser).Query("Left")->AsDword());

  // Loading asks for write access as well, so it reads where the save went.
  settings.Left = 0;
  ASSERT_TRUE(store.LoadValues(&settings));
  EXPECT_EQ(8, settings.Left);
}

TEST_F(RegistryStoreTest, NoUsableRootMeansNothingIsTouched) {
  SetMap(store, "Left,Left");
  EXPECT_FALSE(store.LoadValues(&settings)); // the key exists under neither root

  platform::CreateKey(RegRoot::CurrentUser, Path).SetDword("Left", 5);
  store.SetRegistryRoot(rrNone);
  EXPECT_FALSE(store.LoadValues(&settings));
  EXPECT_FALSE(store.SaveValues(&settings));
  EXPECT_EQ(314, settings.Left);
  EXPECT_EQ(5u, Key(RegRoot::CurrentUser).Query("Left")->AsDword());
}

// A value that cannot be written is deleted, the other lines are still tried, and the save
// answers false with the value's name in the reason.
TEST_F(RegistryStoreTest, AFailedWriteDeletesTheValueAndFailsTheSave) {
  platform::CreateKey(RegRoot::LocalMachine, Path).SetDword("Left", 5);
  SetMap(store, "Left,Left\nTop,Top");
  {
    platform::ScopedRegistryFault noSet(RegRoot::LocalMachine, platform::regFaultSet);
    EXPECT_FALSE(store.SaveValues(&settings));
    EXPECT_FALSE(Key(RegRoot::LocalMachine).Query("Left"));
    EXPECT_NE(store.LastError().find("\"Left\""), std::string::npos) << store.LastError();
  }
  EXPECT_TRUE(store.SaveValues(&settings));
  EXPECT_EQ(store.LastError(), "");
}

} // namespace
