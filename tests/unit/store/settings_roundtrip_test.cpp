// Round trips through the frame's settings location: what one target saves, another loads.
#include "store_test_support.h"

#include "frame/plugin.h"
#include "frame/settings_location.h"
#include "settings/big_ini_file.h"

namespace {

class TestInstance : public TzetPlugin {
public:
  TestInstance() = default;
};

class SettingsLocationTest : public RegistryTest {
protected:
  void SetUp() override {
    RegistryTest::SetUp();
    instance.ModuleRegistryPath = Path;
  }
  void UseIniFile() {
    instance.INIFile = FreshIniFile();
    instance.INISectionPrefix = "Aggregation";
  }
  TestInstance instance;
  std::unique_ptr<TStringList> map = ModuleMap();
};

TEST_F(SettingsLocationTest, SettingsObjectRoundTripInTheRegistry) {
  TStoreSettings saved;
  FillSettings(saved);
  ASSERT_TRUE(frame::SaveSettings(instance, map.get(), &saved));
  TStoreSettings loaded;
  ASSERT_TRUE(frame::LoadSettings(instance, map.get(), &loaded));
  ExpectSameSettings(saved, loaded);
  EXPECT_EQ(300, loaded.Height); // not in the map
}

TEST_F(SettingsLocationTest, SettingsObjectRoundTripInAnIniFile) {
  UseIniFile();
  TStoreSettings saved;
  FillSettings(saved);
  ASSERT_TRUE(frame::SaveSettings(instance, map.get(), &saved));
  TStoreSettings loaded;
  ASSERT_TRUE(frame::LoadSettings(instance, map.get(), &loaded));
  ExpectSameSettings(saved, loaded);
  EXPECT_FALSE(Key(platform::RegRoot::LocalMachine).IsOpen());
  EXPECT_FALSE(Key(platform::RegRoot::CurrentUser).IsOpen());
}

void FillDialog(TStoreDialog& dialog, const TStoreSettings& from) {
  dialog.Form->Left = from.Left;
  dialog.Form->Top = from.Top;
  dialog.Form->Width = from.Width;
  dialog.Form->Height = 480;
  for (int i = 0; i < 8; ++i)
    dialog.Var(i)->Text = from.var[i];
  dialog.Timeout->Value = from.spTimeout_Value;
  dialog.NoReset->Checked = from.chkNoReset_Checked;
}

TEST_F(SettingsLocationTest, WhatTheDialogSavesLoadsIntoTheSettingsObject) {
  TStoreSettings expected;
  FillSettings(expected);
  for (bool ini : {false, true}) {
    SCOPED_TRACE(ini ? "INI file" : "registry");
    if (ini)
      UseIniFile();
    TStoreDialog dialog;
    FillDialog(dialog, expected);
    ASSERT_TRUE(frame::SaveSettings(instance, map.get(), dialog.Form));
    TStoreSettings loaded;
    ASSERT_TRUE(frame::LoadSettings(instance, map.get(), &loaded));
    ExpectSameSettings(expected, loaded);

    TStoreDialog reopened;
    ASSERT_TRUE(frame::LoadSettings(instance, map.get(), reopened.Form));
    EXPECT_EQ(expected.var[1], reopened.Var(1)->Text);
    EXPECT_EQ(expected.spTimeout_Value, reopened.Timeout->Value);
    EXPECT_EQ(0, reopened.Form->Height);
  }
}

TEST_F(SettingsLocationTest, ShortSaveKeepsToTheWindowPosition) {
  UseIniFile();
  TStoreSettings settings;
  FillSettings(settings);
  frame::SaveShortSettings(instance, map.get(), &settings);
  TBigIniFile ini(instance.INIFile.Str());
  TStringList names;
  ini.ReadSection("Aggregation.Common", names);
  EXPECT_EQ("Left\r\nTop\r\nWidth\r\n", names.Text());

  // Without the marker the whole map is saved.
  frame::SaveShortSettings(instance, Map("Left,Left\nvar1.Text,Var1").get(), &settings);
  EXPECT_EQ("Temperature",
            TBigIniFile(instance.INIFile.Str()).ReadString("Aggregation.Common", "Var1", ""));
}

TEST_F(SettingsLocationTest, NoMapMeansNoStore) {
  TStoreSettings settings;
  EXPECT_FALSE(frame::SaveSettings(instance, nullptr, &settings));
  EXPECT_FALSE(frame::LoadSettings(instance, nullptr, &settings));
  frame::SaveShortSettings(instance, nullptr, &settings);
  EXPECT_FALSE(Key(platform::RegRoot::LocalMachine).IsOpen());

  // A store, even with an empty map, creates the key when it saves.
  TStringList empty;
  EXPECT_TRUE(frame::SaveSettings(instance, &empty, &settings));
  EXPECT_TRUE(Key(platform::RegRoot::LocalMachine).IsOpen());
}

} // namespace
