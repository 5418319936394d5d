// The advanced options of the aggregation engine in the form the engine uses them, converted from
// the settings object when the settings are applied (under the engine lock).
#pragma once

#include "filter/merge_strategy.h"

#include <array>
#include <cstdint>
#include <string>

class TProxyCodeObject;

struct TAggregationOptions {
  /// Rows ended by the timeout, the age limit or an eviction are released with Null values for
  /// the variables that never came, instead of being discarded.
  bool Partial = false;
  /// A pending row that has not completed this long after its first value is ended; 0 = off.
  uint32_t AgeMs = 0;
  /// In the "do not reset" mode, a value older than this no longer counts; 0 = off.
  uint32_t LifetimeMs = 0;
  /// The name of the variable whose value selects a packet's group, trimmed and lower-cased;
  /// empty = one group for every packet.
  std::string GroupByLower;
  /// The most groups open at once (1 .. 65536).
  uint32_t MaxGroups = 256;
  /// The name of the variable whose value is a packet's time, trimmed and lower-cased; empty =
  /// the timers run on the system clock.
  std::string TimeVarLower;
  /// A packet time that differs from the last one by more than this is a restart of the
  /// source's clock; 0 = no bound.
  uint32_t TimeJumpMs = 0;

  /// The merge strategy of each configured variable, in the order of the engine's variables
  /// (the configured names that are not blank).
  std::array<TMergeStrategy, 8> Merge{};
  /// What "Concat" puts between two values (at most kMaxSeparatorLength characters).
  std::u16string Separator = u", ";

  static constexpr uint32_t kMaxGroupsLimit = 65536;
  static constexpr std::size_t kMaxSeparatorLength = 64;

  /// The options of Settings; LifetimeMs is 0 unless Settings select the "do not reset" mode.
  static TAggregationOptions FromSettings(const TProxyCodeObject& settings);
  /// True when any option that needs groups and timers is set: the engine then works in its
  /// grouped mode instead of the plain one. The merge strategies work in both.
  bool Active() const {
    return Partial || AgeMs != 0 || LifetimeMs != 0 || !GroupByLower.empty() ||
           !TimeVarLower.empty();
  }
};

/// A setting in milliseconds as the engine counts it: truncated toward zero through a 64-bit
/// integer, of which the low 32 bits are kept (so -1 gives 4294967295); 0 switches it off.
uint32_t MillisecondsFromSetting(double ms);
/// The group bound of a setting: whole groups, at least 1 and at most 65536; not a number gives
/// the default 256.
uint32_t MaxGroupsFromSetting(double value);
