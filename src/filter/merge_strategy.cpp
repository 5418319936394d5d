#include "filter/merge_strategy.h"

#include "rtl/ansi_string.h"
#include "rtl/trim.h"

#include <algorithm>
#include <cstdint>

std::optional<TMergeStrategy> MergeStrategyFromName(std::string_view text) {
  const std::string lowered = rtl::AnsiString(rtl::Trim(text)).Lowered().Str();
  if (lowered.empty())
    return TMergeStrategy::Last;
  for (std::size_t k = 0; k < kMergeStrategyNames.size(); ++k)
    if (rtl::AnsiString(kMergeStrategyNames[k]).Lowered().View() == lowered)
      return static_cast<TMergeStrategy>(k);
  return std::nullopt;
}

std::optional<double> NumberOf(const platform::VariantRec& value) {
  using namespace platform;
  switch (value.vt) {
  case vtI1:
    return value.cVal;
  case vtUI1:
    return value.bVal;
  case vtI2:
    return value.iVal;
  case vtUI2:
    return value.uiVal;
  case vtI4:
  case vtInt:
    return value.lVal;
  case vtUI4:
  case vtUInt:
    return value.ulVal;
  case vtI8:
    return static_cast<double>(value.llVal);
  case vtUI8:
    return static_cast<double>(value.ullVal);
  case vtR4:
    return value.fltVal;
  case vtR8:
    return value.dblVal;
  case vtCurrency:
    return static_cast<double>(value.cyVal) / 10000.0;
  default:
    return std::nullopt;
  }
}

TMergeResult MergeValue(TMergeStrategy strategy, const platform::VariantRec* current,
                        TMergeTally& tally, const platform::VariantRec& value,
                        std::u16string_view separator, rtl::Variant& merged) {
  std::optional<double> number;
  if (IsNumericStrategy(strategy)) {
    number = NumberOf(value);
    if (!number)
      return TMergeResult::Misfit;
  }
  switch (strategy) {
  case TMergeStrategy::First:
    if (current)
      return TMergeResult::Kept;
    merged = rtl::Variant::OleCompatibleCopy(value);
    return TMergeResult::Changed;
  case TMergeStrategy::Sum:
  case TMergeStrategy::Mean:
    tally.Value += *number;
    ++tally.Count;
    merged = rtl::Variant::Double(strategy == TMergeStrategy::Sum ? tally.Value
                                                                  : tally.Value / tally.Count);
    return TMergeResult::Changed;
  case TMergeStrategy::Min:
  case TMergeStrategy::Max:
    if (tally.Count++ != 0 &&
        (strategy == TMergeStrategy::Min ? !(*number < tally.Value) : !(*number > tally.Value)))
      return TMergeResult::Kept;
    tally.Value = *number;
    merged = rtl::Variant::OleCompatibleCopy(value);
    return TMergeResult::Changed;
  case TMergeStrategy::Count:
    ++tally.Count;
    merged = rtl::Variant::Int32(static_cast<int32_t>(std::min<uint32_t>(tally.Count, INT32_MAX)));
    return TMergeResult::Changed;
  case TMergeStrategy::Concat: {
    std::u16string text = current ? rtl::Variant(*current).ToWide() : std::u16string();
    if (current)
      text += separator;
    text += rtl::Variant(value).ToWide();
    const bool cut = text.size() > kMaxJoinedLength;
    if (cut) {
      text.resize(kMaxJoinedLength);
      // Never half a character: a surrogate pair stays whole or goes.
      if (text.back() >= 0xD800 && text.back() <= 0xDBFF)
        text.pop_back();
    }
    merged = rtl::Variant::Wide(text);
    return cut ? TMergeResult::Cut : TMergeResult::Changed;
  }
  case TMergeStrategy::Last:
    break;
  }
  merged = rtl::Variant::OleCompatibleCopy(value);
  return TMergeResult::Changed;
}
