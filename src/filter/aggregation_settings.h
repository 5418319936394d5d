// The aggregation module's settings: eight variable names, the timeout, the reset option, the
// advanced options (partial rows, age limit, value lifetime, grouping, merge strategies) and the
// options dialog's
// position and width. The published property names mirror the dialog's controls
// ("var1.Text" becomes var1_Text), so one property map loads and saves both the dialog and this
// object.
#pragma once

#include "settings/proxy_code_custom.h"

#include <array>
#include <cstdint>
#include <string>

class TaPlugin;

class TProxyCodeObject : public TProxyCodeCustomObject {
public:
  explicit TProxyCodeObject(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t Left = 314;
  int32_t Top = 184;
  /// Not in the property map: never stored or loaded.
  int32_t Height = 300;
  int32_t Width = 389;
  std::array<std::string, 8> Vars;
  double spTimeout_Value = 0;
  bool chkNoReset_Checked = false;
  /// Rows ended by the timeout, the age limit or a group's eviction are released incomplete.
  bool chkPartial_Checked = false;
  /// Milliseconds after its first value within which a pending row must complete; 0 = off.
  double spAgeLimit_Value = 0;
  /// Milliseconds a value counts in the "do not reset" mode; 0 = off.
  double spLifetime_Value = 0;
  /// The variable whose value selects a packet's group; empty = no grouping.
  std::string cbGroupBy_Text;
  /// The most groups open at once.
  double spMaxGroups_Value = 256;
  /// How each variable merges the values it receives more than once before its row is
  /// released: the name of a strategy ("Last", "First", "Sum", "Min", "Max", "Mean", "Count",
  /// "Concat"), in the order of Vars.
  std::array<std::string, 8> Merges{"Last", "Last", "Last", "Last", "Last", "Last", "Last", "Last"};
  /// What "Concat" puts between two values.
  std::string edSeparator_Text = ", ";
  /// The variable whose value is a packet's time (milliseconds or a date); empty = the timers
  /// run on the system clock.
  std::string cbTimeVar_Text;
  /// Milliseconds by which a packet's time may differ from the last one before it counts as a
  /// restart of the source's clock; 0 = no bound.
  double spTimeJump_Value = 0;
  /// The pending rows are written to a file when the instance stops and taken up again when it
  /// starts.
  bool chkKeepPending_Checked = false;
};

/// The current settings of one aggregation instance, always owned by the module object.
class TDataSourceCfg : public TProxyCodeObject {
public:
  explicit TDataSourceCfg(TaPlugin* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Reads every mapped key from the module's settings location (absent keys keep their values),
  /// then applies this object to the module's engine.
  void Load();
  /// Writes every mapped key to the module's settings location; the engine is not touched.
  void Save();

private:
  TaPlugin& Module() const;
};
