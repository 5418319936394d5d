// Targets and places for the settings store tests: a settings object shaped like the aggregation
// module's, an options dialog shaped like its form (controls var1..var8, spTimeout, chkNoReset),
// a private registry location and private INI files.
#pragma once

#include "platform/registry.h"
#include "rtl/component.h"
#include "rtl/string_list.h"
#include "settings/proxy_code_custom.h"
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

class TStoreSettings : public TProxyCodeCustomObject {
public:
  explicit TStoreSettings(TComponent* owner = nullptr) : TProxyCodeCustomObject(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t Left = 314, Top = 184, Height = 300, Width = 389;
  std::string var[8];
  double spTimeout_Value = 0;
  bool chkNoReset_Checked = false;
  int64_t Counter = 0;
};

/// A form with Left, Top, Width and Height.
class TStoreForm : public TComponent {
public:
  explicit TStoreForm(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

/// A combo box: its class descends from the toolkit's combo box class, which the ItemIndex
/// handler serves.
class TStoreComboBox : public TComponent {
public:
  explicit TStoreComboBox(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  std::string Text;
  int32_t ItemIndex = -1;
};

class TStoreSpinEdit : public TComponent {
public:
  explicit TStoreSpinEdit(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  double Value = 0;
};

class TStoreCheckBox : public TComponent {
public:
  explicit TStoreCheckBox(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  bool Checked = false;
};

/// The options dialog: a form owning var1..var8, spTimeout and chkNoReset.
struct TStoreDialog {
  TStoreDialog();
  ~TStoreDialog() { delete Form; }
  TStoreComboBox* Var(int i) const { return Vars[i]; }

  TStoreForm* Form;
  TStoreComboBox* Vars[8];
  TStoreSpinEdit* Timeout;
  TStoreCheckBox* NoReset;
};

/// The aggregation module's property map, with its trailing blank line.
std::unique_ptr<TStringList> ModuleMap();
/// A map from text lines separated by '\n'.
std::unique_ptr<TStringList> Map(const std::string& lines);

/// Sets the store's map to the lines (separated by '\n').
void SetMap(TWreg& store, const std::string& lines);
/// A settings object with a value in every mapped item.
void FillSettings(TStoreSettings& settings);
/// Expects equal values in every mapped item (and Counter).
void ExpectSameSettings(const TStoreSettings& expected, const TStoreSettings& actual);

/// A registry path of its own for each test, removed from every root afterwards; on POSIX the
/// registry lives in a private folder for the whole test program.
class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  /// A store for the registry under Path with the default roots.
  void Configure(TWreg& store) const;
  platform::ScopedKey Key(platform::RegRoot root, const std::string& sub = "") const;

  std::string Path;
};

/// A file name in a private folder, different for every call; the file does not exist yet.
std::string FreshIniFile();
/// The whole content of a file; empty when it cannot be read.
std::string ReadFileText(const std::string& fileName);
void WriteFileText(const std::string& fileName, const std::string& text);
