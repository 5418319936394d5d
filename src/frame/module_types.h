// Module roles and options as sets of enumeration values, and the type word built from them.
#pragma once

#include <cstdint>

enum TModuleType : uint8_t {
  mttDataQuery,
  mttDataParser,
  mttDataExport,
  mttEventsHandling,
  mttLogging,
  mttFilter,
  mttDeviceLayer,
  mttMenuExt,
};

enum TModuleOption : uint8_t { moNoConfig, moXMLOptions, moMultiConfig };

/// A set of TModuleType: bit n stands for ordinal n, as in the call record's ModuleTypes byte.
using TModuleTypes = uint8_t;
/// A set of TModuleOption: bit n stands for ordinal n.
using TModuleOptions = uint8_t;

constexpr TModuleTypes ModuleTypeBit(TModuleType t) {
  return static_cast<TModuleTypes>(1u << t);
}
constexpr TModuleOptions ModuleOptionBit(TModuleOption o) {
  return static_cast<TModuleOptions>(1u << o);
}
constexpr bool HasModuleType(TModuleTypes set, TModuleType t) {
  return (set & ModuleTypeBit(t)) != 0;
}

/// The module type word: roles in bits 0..7, options in bits 16..18.
constexpr uint32_t ModuleTypeWord(TModuleTypes types, TModuleOptions options) {
  return static_cast<uint32_t>(types) | (static_cast<uint32_t>(options & 0x07) << 16);
}
