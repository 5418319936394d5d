#include "filter/aggregation_options.h"

#include "filter/aggregation_settings.h"
#include "frame/key_text.h"
#include "rtl/ansi_string.h"
#include "rtl/variant.h"

#include <cmath>
#include <limits>

uint32_t MillisecondsFromSetting(double ms) {
  // Values outside the 64-bit range keep the saturated value's low bits instead of being
  // undefined.
  if (std::isnan(ms))
    return 0;
  int64_t whole;
  if (ms >= 9.2233720368547758e18)
    whole = std::numeric_limits<int64_t>::max();
  else if (ms <= -9.2233720368547758e18)
    whole = std::numeric_limits<int64_t>::min();
  else
    whole = static_cast<int64_t>(ms);
  return static_cast<uint32_t>(static_cast<uint64_t>(whole));
}

uint32_t MaxGroupsFromSetting(double value) {
  if (std::isnan(value))
    return 256;
  if (value < 1)
    return 1;
  if (value > TAggregationOptions::kMaxGroupsLimit)
    return TAggregationOptions::kMaxGroupsLimit;
  return static_cast<uint32_t>(value);
}

TAggregationOptions TAggregationOptions::FromSettings(const TProxyCodeObject& settings) {
  TAggregationOptions options;
  options.Partial = settings.chkPartial_Checked;
  options.AgeMs = MillisecondsFromSetting(settings.spAgeLimit_Value);
  if (settings.chkNoReset_Checked)
    options.LifetimeMs = MillisecondsFromSetting(settings.spLifetime_Value);
  const std::string_view groupBy = frame::TrimText(settings.cbGroupBy_Text);
  if (!groupBy.empty())
    options.GroupByLower = rtl::AnsiString(groupBy).Lowered().Str();
  options.MaxGroups = MaxGroupsFromSetting(settings.spMaxGroups_Value);
  const std::string_view timeVar = frame::TrimText(settings.cbTimeVar_Text);
  if (!timeVar.empty())
    options.TimeVarLower = rtl::AnsiString(timeVar).Lowered().Str();
  options.TimeJumpMs = MillisecondsFromSetting(settings.spTimeJump_Value);
  // The engine's variables are the configured names that are not blank, in their order; a
  // strategy of an unknown name is "Last".
  std::size_t var = 0;
  for (std::size_t i = 0; i < settings.Vars.size(); ++i)
    if (!frame::TrimText(settings.Vars[i]).empty())
      options.Merge[var++] =
          MergeStrategyFromName(settings.Merges[i]).value_or(TMergeStrategy::Last);
  options.Separator = rtl::Variant::FromAnsiText(settings.edSeparator_Text).ToWide();
  if (options.Separator.size() > kMaxSeparatorLength)
    options.Separator.resize(kMaxSeparatorLength);
  return options;
}
