// The settings store with an INI file: sections, value formats, the per-line failure rule, events
// and custom property handlers.
#include "store_test_support.h"

#include "settings/big_ini_file.h"
#include "settings/custom_props.h"
#include "settings/settings_store_storage.h"

#include <filesystem>

namespace {

class IniStoreTest : public ::testing::Test {
protected:
  IniStoreTest() { store.SetINIFile(file); }
  std::string Value(const std::string& section, const std::string& key) {
    TBigIniFile ini(file);
    return ini.ValueExists(section, key) ? ini.ReadString(section, key, "") : "<missing>";
  }

  std::string file = FreshIniFile();
  TWreg store{nullptr};
  TStoreSettings settings;
};

TEST(IniStoreLocation, SectionsAndLockNames) {
  EXPECT_EQ("Common", wreg::IniSectionName("", ""));
  EXPECT_EQ("Aggregation.Common", wreg::IniSectionName("Aggregation", ""));
  EXPECT_EQ("Aggregation", wreg::IniSectionName("Aggregation\\", ""));
  EXPECT_EQ("Aggregation", wreg::IniSectionName("Aggregation/", ""));
  EXPECT_EQ("Aggregation.Sub", wreg::IniSectionName("Aggregation", "Sub"));
  EXPECT_EQ("A.B.X.Y", wreg::IniSectionName("A\\B", "X\\Y"));
  EXPECT_EQ("Sub", wreg::IniSectionName("", "Sub"));
  EXPECT_EQ("c__data_mod_ini", wreg::IniLockName("C:\\Data\\Mod.ini"));
}

TEST_F(IniStoreTest, SavesEachKindInItsTextForm) {
  FillSettings(settings);
  settings.spTimeout_Value = 5000;
  store.SetINIFileSectionPrefix("Aggregation");
  SetMap(store, "Left,Left\nvar2.Text,Var2\nvar3.Text,Sub\\\\Var3\nvar4.Text,Var4\n"
                "spTimeout.Value,Timeout\nchkNoReset.Checked,No reset;note\n"
                "Top,\nnoSuch,Missing");
  ASSERT_TRUE(store.SaveValues(&settings));
  EXPECT_EQ("-20", Value("Aggregation.Common", "Left"));
  EXPECT_EQ("++two+ spaces", Value("Aggregation.Common", "Var2"));
  EXPECT_EQ("x%2By=50%%", Value("Aggregation.Sub", "Var3"));
  EXPECT_EQ("", Value("Aggregation.Common", "Var4")); // an empty text is an empty value
  EXPECT_EQ("5000", Value("Aggregation.Common", "Timeout"));
  EXPECT_EQ("True", Value("Aggregation.Common", "No reset"));
  EXPECT_EQ("<missing>", Value("Aggregation.Common", "Missing"));
  EXPECT_EQ(std::string::npos, ReadFileText(file).find("Top"));

  TStoreSettings loaded;
  ASSERT_TRUE(store.LoadValues(&loaded));
  EXPECT_EQ("  two  spaces", loaded.var[1]);
  EXPECT_EQ("x+y=50%", loaded.var[2]);
  EXPECT_EQ(5000, loaded.spTimeout_Value);
  EXPECT_TRUE(loaded.chkNoReset_Checked);
}

TEST_F(IniStoreTest, LoadsLooseTextsAndSkipsFailingLines) {
  WriteFileText(file, "[Common]\nLeft=abc\nTop=0x1F\nWidth=77\nTimeout=2,5\n"
                      "No reset=Maybe\nVar1=caf%C3%A9\n");
  settings.chkNoReset_Checked = true;
  SetMap(store, "Left,Left\nTop,Top\nspTimeout.Value,Timeout\n"
                "chkNoReset.Checked,No reset\nvar1.Text,Var1\nWidth,Width");
  ASSERT_TRUE(store.LoadValues(&settings));
  EXPECT_EQ(0, settings.Left);
  EXPECT_EQ(31, settings.Top);
  EXPECT_EQ(2.5, settings.spTimeout_Value);
  EXPECT_TRUE(settings.chkNoReset_Checked); // an unknown identifier leaves the value alone
  EXPECT_EQ("caf\xE9", settings.var[0]);
  EXPECT_EQ(77, settings.Width);                   // the lines after the failing one went on
  EXPECT_EQ("Maybe", Value("Common", "No reset")); // an INI file keeps what it cannot apply
}

TEST_F(IniStoreTest, LoadingFromAMissingFileReadsTheRegistryAndSavingCreatesIt) {
  store.SetRegistryRoot(rrNone);
  SetMap(store, "Left,Left");
  EXPECT_FALSE(store.LoadValues(&settings)); // the registry, switched off here
  EXPECT_FALSE(wreg::StoredFileExists(file));
  EXPECT_TRUE(store.SaveValues(&settings));
  EXPECT_EQ("314", Value("Common", "Left"));
  EXPECT_TRUE(store.LoadValues(&settings));
}

TEST_F(IniStoreTest, EmptyAndNullValuesDeleteTheEntry) {
  WriteFileText(file, "[Common]\nVirtual=old\nKept=1\n");
  SetMap(store, "unbound.Text,Virtual\nLeft,Kept");
  store.BeforeProcessItem = [](TObject*, const std::string&, int32_t index, bool& require, bool&,
                               TTypeKind& type) {
    require = true;
    if (index == 0)
      type = tkLString;
  };
  TStoreDialog dialog;                        // "unbound" names no control of it
  ASSERT_TRUE(store.SaveValues(dialog.Form)); // a virtual item without GetValue saves nothing
  EXPECT_EQ("<missing>", Value("Common", "Virtual"));
  EXPECT_EQ("0", Value("Common", "Kept"));
}

TEST_F(IniStoreTest, VirtualItemsGoThroughTheEventsWithTheTextCoding) {
  SetMap(store, "Left,Left\nnothing.here,Extra");
  store.BeforeProcessItem = [](TObject*, const std::string& name, int32_t index, bool& require,
                               bool& isVirtual, TTypeKind& type) {
    if (index == 1) {
      EXPECT_TRUE(name.empty());
      EXPECT_TRUE(isVirtual);
      require = true;
      type = tkLString;
    }
  };
  store.GetValue = [](TObject*, const std::string&, int32_t index, rtl::Variant& value) {
    value = rtl::Variant::Ansi("  a+b");
  };
  TStoreDialog dialog;
  ASSERT_TRUE(store.SaveValues(dialog.Form));
  EXPECT_EQ("++a%2Bb", Value("Common", "Extra"));

  std::string received;
  int32_t receivedIndex = -1;
  store.SetValue = [&](TObject* sender, const std::string&, int32_t index,
                       const rtl::Variant& value) {
    EXPECT_EQ(&store, sender);
    received = value.ToText();
    receivedIndex = index;
  };
  ASSERT_TRUE(store.LoadValues(dialog.Form));
  EXPECT_EQ("  a+b", received);
  EXPECT_EQ(1, receivedIndex);
  EXPECT_EQ(nullptr, store.Target());
}

TEST_F(IniStoreTest, ItemIndexGoesThroughTheComboBoxHandler) {
  RegisterDefaultPropertyHandlers();
  TStoreDialog dialog;
  dialog.Var(0)->ItemIndex = 2;
  SetMap(store, "var1.*ItemIndex,Index1");
  ASSERT_TRUE(store.SaveValues(dialog.Form));
  EXPECT_EQ("2", Value("Common", "Index1"));

  dialog.Var(0)->ItemIndex = -1;
  ASSERT_TRUE(store.LoadValues(dialog.Form));
  EXPECT_EQ(2, dialog.Var(0)->ItemIndex);
}

TEST_F(IniStoreTest, AMapGivenToLoadStandsInForComponentsOnlyDuringTheCall) {
  WriteFileText(file, "[Common]\nTop=5\n");
  SetMap(store, "Left,Left");
  ASSERT_TRUE(store.LoadValues(&settings, Map("Top,Top").get()));
  EXPECT_EQ(5, settings.Top);
  ASSERT_EQ(1, store.Components().Count());
  EXPECT_EQ("Left,Left", store.Components()[0]);
}

TEST_F(IniStoreTest, AFileThatCannotBeWrittenFailsTheSave) {
  store.SetINIFile(file + ".missing-folder/x.ini");
  SetMap(store, "Left,Left");
  EXPECT_FALSE(store.SaveValues(&settings));
  // The reason names the file and the system's cause.
  EXPECT_NE(store.LastError().find("x.ini"), std::string::npos) << store.LastError();
  EXPECT_GT(store.LastError().size(), file.size() + 30) << store.LastError();

  // A save reported as failed leaves the disk alone, also when the cause is gone by the time
  // the operation's storage goes away.
  const std::filesystem::path folder = file + ".later";
  std::unique_ptr<wreg::TStorage> storage = wreg::OpenIniStorage((folder / "x.ini").string(), "");
  ASSERT_TRUE(storage->Locate(SplitMapKey("Left")));
  storage->Write({"Left", 0}, tkInteger, rtl::Variant::Int32(7));
  std::string reason;
  EXPECT_FALSE(storage->Finish(reason));
  EXPECT_FALSE(reason.empty());
  std::filesystem::create_directory(folder);
  storage.reset();
  EXPECT_FALSE(std::filesystem::exists(folder / "x.ini"));
  std::filesystem::remove_all(folder);
}

TEST_F(IniStoreTest, KeepsSixtyFourBitIntegers) {
  settings.Counter = int64_t(1) << 40;
  SetMap(store, "Counter,Counter");
  ASSERT_TRUE(store.SaveValues(&settings));
  EXPECT_EQ("1099511627776", Value("Common", "Counter"));
  TStoreSettings loaded;
  ASSERT_TRUE(store.LoadValues(&loaded));
  EXPECT_EQ(settings.Counter, loaded.Counter);
}

class RecordingStore : public TWreg {
public:
  RecordingStore() : TWreg(nullptr) { SetINIFile(kCustomStorage); }
  void WriteCustomValue(TObject*, const std::string& name, int32_t index, TTypeKind type,
                        const std::string& section, const std::string& key,
                        const rtl::Variant& value) override {
    Log += section + "/" + key + "=" + (value.IsEmptyValue() ? "<empty>" : value.ToText()) + ";";
  }
  bool ReadCustomValue(TObject*, const std::string& name, int32_t, TTypeKind type,
                       const std::string& section, const std::string& key,
                       rtl::Variant& value) override {
    if (key != "Left")
      return false;
    value = rtl::Variant::Int32(99);
    return true;
  }
  std::string Log;
};

TEST(CustomStore, ReceivesEveryValueWithItsSectionAndKey) {
  RecordingStore store;
  store.SetINIFileSectionPrefix("P\\");
  SetMap(store, "Left,Left\nvar2.Text,Sub\\Var2\nunbound.x,Virtual");
  store.BeforeProcessItem = [](TObject*, const std::string&, int32_t index, bool& require, bool&,
                               TTypeKind& type) {
    if (index == 2) {
      require = true;
      type = tkLString;
    }
  };
  TStoreDialog dialog;
  dialog.Form->Left = 314;
  dialog.Var(1)->Text = "a b";
  EXPECT_TRUE(store.SaveValues(dialog.Form));
  EXPECT_EQ("P/Left=314;P.Sub/Var2=a b;P/Virtual=<empty>;", store.Log);
  EXPECT_TRUE(store.LoadValues(dialog.Form));
  EXPECT_EQ(99, dialog.Form->Left);
  TStoreSettings settings;

  // The base class keeps nothing and finds nothing.
  TWreg plain(nullptr);
  plain.SetINIFile(TWreg::kCustomStorage);
  SetMap(plain, "Left,Left");
  EXPECT_TRUE(plain.SaveValues(&settings));
  settings.Left = 1;
  EXPECT_TRUE(plain.LoadValues(&settings));
  EXPECT_EQ(1, settings.Left);
}

} // namespace
