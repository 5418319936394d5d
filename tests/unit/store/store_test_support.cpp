#include "store_test_support.h"

#include "platform/environment.h"
#include "rtl/published_builder.h"
#include "scratch_folder.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

template <int I> auto VarGet() {
  return [](const TStoreSettings& s) { return s.var[I]; };
}
template <int I> auto VarSet() {
  return [](TStoreSettings& s, const std::string& v) { s.var[I] = v; };
}

std::string UniqueTag() {
  static std::atomic<int> counter{0};
  static const auto start =
      std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007;
  return std::to_string(start) + "_" + std::to_string(++counter);
}

fs::path PrivateFolder() {
  static const fs::path folder = [] { return test_support::ScratchFolder("agg-store-test"); }();
  return folder;
}

// On POSIX the registry stand-in is pointed at a folder of this test program; on Windows the
// variable is not looked at.
const bool registryFolderSet = [] {
  platform::SetEnvVar("AGG_REGISTRY_DIR", (PrivateFolder() / "registry").string());
  return true;
}();

} // namespace

const rtl::MetaClass& TStoreSettings::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TStoreSettings, TProxyCodeCustomObject>("TStoreSettings")
          .Integer("Left", &TStoreSettings::Left, &TStoreSettings::Left)
          .Integer("Top", &TStoreSettings::Top, &TStoreSettings::Top)
          .Integer("Height", &TStoreSettings::Height, &TStoreSettings::Height)
          .Integer("Width", &TStoreSettings::Width, &TStoreSettings::Width)
          .LString("var1_Text", VarGet<0>(), VarSet<0>())
          .LString("var2_Text", VarGet<1>(), VarSet<1>())
          .LString("var3_Text", VarGet<2>(), VarSet<2>())
          .LString("var4_Text", VarGet<3>(), VarSet<3>())
          .LString("var5_Text", VarGet<4>(), VarSet<4>())
          .LString("var6_Text", VarGet<5>(), VarSet<5>())
          .LString("var7_Text", VarGet<6>(), VarSet<6>())
          .LString("var8_Text", VarGet<7>(), VarSet<7>())
          .Float("spTimeout_Value", &TStoreSettings::spTimeout_Value,
                 &TStoreSettings::spTimeout_Value)
          .Boolean("chkNoReset_Checked", &TStoreSettings::chkNoReset_Checked,
                   &TStoreSettings::chkNoReset_Checked)
          .Int64("Counter", &TStoreSettings::Counter, &TStoreSettings::Counter);
  return meta;
}

const rtl::MetaClass& TStoreForm::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TStoreForm, TComponent>("TStoreForm")
          .Integer("Left", &TStoreForm::Left, &TStoreForm::Left)
          .Integer("Top", &TStoreForm::Top, &TStoreForm::Top)
          .Integer("Width", &TStoreForm::Width, &TStoreForm::Width)
          .Integer("Height", &TStoreForm::Height, &TStoreForm::Height);
  return meta;
}

// Named after the toolkit's combo box class, which the ItemIndex handler serves.
const rtl::MetaClass& TStoreComboBox::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TStoreComboBox, TComponent>("TCustomComboBox")
          .LString("Text", &TStoreComboBox::Text, &TStoreComboBox::Text)
          .Integer("ItemIndex", &TStoreComboBox::ItemIndex, &TStoreComboBox::ItemIndex);
  return meta;
}

const rtl::MetaClass& TStoreSpinEdit::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TStoreSpinEdit, TComponent>("TStoreSpinEdit")
          .Float("Value", &TStoreSpinEdit::Value, &TStoreSpinEdit::Value);
  return meta;
}

const rtl::MetaClass& TStoreCheckBox::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TStoreCheckBox, TComponent>("TStoreCheckBox")
          .Boolean("Checked", &TStoreCheckBox::Checked, &TStoreCheckBox::Checked);
  return meta;
}

TStoreDialog::TStoreDialog() : Form(new TStoreForm(nullptr)) {
  Form->SetName("CfgOptions");
  for (int i = 0; i < 8; ++i) {
    Vars[i] = new TStoreComboBox(Form);
    Vars[i]->SetName("var" + std::to_string(i + 1));
  }
  Timeout = new TStoreSpinEdit(Form);
  Timeout->SetName("spTimeout");
  NoReset = new TStoreCheckBox(Form);
  NoReset->SetName("chkNoReset");
}

std::unique_ptr<TStringList> Map(const std::string& lines) {
  auto map = std::make_unique<TStringList>();
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);)
    map->Add(line);
  return map;
}

void SetMap(TWreg& store, const std::string& lines) {
  store.SetComponents(Map(lines).get());
}

std::unique_ptr<TStringList> ModuleMap() {
  std::string text = "Left,Left\nTop,Top\nWidth,Width\n;---short---\n";
  for (int i = 1; i <= 8; ++i)
    text += "var" + std::to_string(i) + ".Text,Var" + std::to_string(i) + "\n";
  text += "spTimeout.Value,Timeout\nchkNoReset.Checked,No reset\n \n";
  return Map(text);
}

void FillSettings(TStoreSettings& s) {
  s.Left = -20;
  s.Top = 77;
  s.Width = 640;
  const char* names[8] = {"Temperature", "  two  spaces", "x+y=50%",     "",
                          "caf\xE9",     "line\r\nbreak", "Pressure[1]", "; not a comment"};
  for (int i = 0; i < 8; ++i)
    s.var[i] = names[i];
  s.spTimeout_Value = 1234.5;
  s.chkNoReset_Checked = true;
}

void ExpectSameSettings(const TStoreSettings& expected, const TStoreSettings& actual) {
  EXPECT_EQ(expected.Left, actual.Left);
  EXPECT_EQ(expected.Top, actual.Top);
  EXPECT_EQ(expected.Width, actual.Width);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(expected.var[i], actual.var[i]) << "var" << i + 1;
  EXPECT_EQ(expected.spTimeout_Value, actual.spTimeout_Value);
  EXPECT_EQ(expected.chkNoReset_Checked, actual.chkNoReset_Checked);
}

void RegistryTest::SetUp() {
  Path = "\\Software\\AggStoreTest\\" + UniqueTag();
}

void RegistryTest::TearDown() {
  platform::RegistryFaults::Clear();
  for (platform::RegRoot root : {platform::RegRoot::LocalMachine, platform::RegRoot::CurrentUser})
    platform::DeleteKey(root, Path);
}

void RegistryTest::Configure(TWreg& store) const {
  store.SetRegistryPath(Path);
}

platform::ScopedKey RegistryTest::Key(platform::RegRoot root, const std::string& sub) const {
  return platform::OpenKey(root, sub.empty() ? Path : Path + "\\" + sub, platform::RegAccess::Read);
}

std::string FreshIniFile() {
  return (PrivateFolder() / ("settings_" + UniqueTag() + ".ini")).string();
}

std::string ReadFileText(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::string& fileName, const std::string& text) {
  std::ofstream(fileName, std::ios::binary) << text;
}
