// Free-form values the host keeps in a module instance under "Custom" keys:
//   "Custom:Speed" (also "Custom Speed", "Custom_Speed") names the value Speed,
//   "Custom_3" addresses the fourth value by position (names shorter than three characters that
//   are decimal numbers are positions),
//   "Custom:COUNT" is the number of values (reading) or removes them all (writing).
// The prefix "Custom" is case-sensitive.
#pragma once

#include "data/thread_params_list.h"
#include "rtl/variant.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace frame {

struct TCustomKey {
  std::string Name;
  /// The position the key addresses, -1 when it names a value.
  int32_t Index = -1;
};

/// The custom key Key stands for; nothing when Key does not begin with "Custom" or names nothing
/// after it.
std::optional<TCustomKey> CustomKey(std::string_view key);

/// Reads under the store's shared lock; Null for a name or position without a value.
rtl::Variant GetCustomValue(TzetThreadParamsList& store, const TCustomKey& key);
/// Writes under the store's exclusive lock; a position beyond the values changes nothing.
void SetCustomValue(TzetThreadParamsList& store, const TCustomKey& key, const rtl::Variant& value);

} // namespace frame
