// How the aggregation engine merges the values that a variable receives more than once before its
// row is released: by default the latest value stays ("Last"); a variable may instead keep the
// first, the sum, the least or greatest, the mean or the count of its values, or their texts
// joined with a separator.
#pragma once

#include "platform/ole_variant.h"
#include "rtl/variant.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class TMergeStrategy : uint8_t { Last, First, Sum, Min, Max, Mean, Count, Concat };

/// The names of the strategies as stored and shown, in the order of TMergeStrategy.
inline constexpr std::array<std::string_view, 8> kMergeStrategyNames = {
    "Last", "First", "Sum", "Min", "Max", "Mean", "Count", "Concat"};

inline std::string_view MergeStrategyName(TMergeStrategy strategy) {
  return kMergeStrategyNames[static_cast<std::size_t>(strategy)];
}
/// The strategy named Text, compared without regard to case and blanks around it; nothing for
/// another text. An empty text names "Last".
std::optional<TMergeStrategy> MergeStrategyFromName(std::string_view text);

/// The strategies that take only numbers: Sum, Min, Max and Mean.
constexpr bool IsNumericStrategy(TMergeStrategy strategy) {
  return strategy == TMergeStrategy::Sum || strategy == TMergeStrategy::Min ||
         strategy == TMergeStrategy::Max || strategy == TMergeStrategy::Mean;
}

/// The strategies that keep a variable's one value as it came (Last, First, Min and Max); the
/// others make another value of it (a sum, a mean, a count or a text).
constexpr bool KeepsASingleValue(TMergeStrategy strategy) {
  return strategy == TMergeStrategy::Last || strategy == TMergeStrategy::First ||
         strategy == TMergeStrategy::Min || strategy == TMergeStrategy::Max;
}

/// The number Value holds: integer, floating-point and currency values are numbers; text, dates,
/// booleans and the rest are not.
std::optional<double> NumberOf(const platform::VariantRec& value);

/// What a strategy keeps of one variable's values beside the merged value: their count and
/// their sum, or the extreme so far. Zero when the row is new.
struct TMergeTally {
  double Value = 0;
  uint32_t Count = 0;
};

/// The longest text that "Concat" builds, in characters; what goes beyond is cut.
inline constexpr std::size_t kMaxJoinedLength = 4096;

/// The result of merging one value.
enum class TMergeResult : uint8_t {
  /// Merged holds the variable's new value.
  Changed,
  /// The variable keeps the value it holds ("First", or "Min"/"Max" when not beyond it).
  Kept,
  /// The variable's new value is in Merged, the joined texts cut to kMaxJoinedLength: part of
  /// Value, or all of it, is left out.
  Cut,
  /// A numeric strategy met a value that is not a number: nothing changes.
  Misfit,
};

/// Merges Value, not empty, into a variable whose row holds Current (null for the first value)
/// and Tally, by Strategy (not "Last"); on Changed or Cut, Merged is the variable's new value.
TMergeResult MergeValue(TMergeStrategy strategy, const platform::VariantRec* current,
                        TMergeTally& tally, const platform::VariantRec& value,
                        std::u16string_view separator, rtl::Variant& merged);
