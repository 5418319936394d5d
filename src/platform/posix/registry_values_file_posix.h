// The values of a key in the POSIX registry: the file ".values" in the key's folder.
//
// Format: the 8 bytes "AGGREG1\n", a 32-bit count, then per value the 32-bit length of its name,
// the name, the 32-bit type, the 32-bit length of its data and the data (all numbers
// little-endian). It is written to a temporary file and renamed over the old one, so a reader sees
// the old or the new set of values, never a torn one. A key without values has no file.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::registry_posix {

struct StoredValue {
  std::string name;
  uint32_t type = regNone;
  std::vector<uint8_t> data;
};

/// Reads the values of the key folder Dir; none when it has no values file.
RegStatus LoadValues(const std::string& dir, std::vector<StoredValue>& values);
/// Replaces the values of the key folder Dir in one step.
RegStatus SaveValues(const std::string& dir, const std::vector<StoredValue>& values);

} // namespace platform::registry_posix
