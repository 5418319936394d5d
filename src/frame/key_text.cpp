#include "frame/key_text.h"

#include "platform/codepage.h"

namespace frame {

std::string LowerKey(std::string_view text) {
  std::string lowered(text);
  platform::AnsiLowerInPlace(lowered.data(), lowered.size());
  return lowered;
}

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerKey(a) == LowerKey(b);
}

std::optional<int32_t> DecimalValue(std::string_view text) noexcept {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty())
    return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t(INT32_MAX) + 1)
      return std::nullopt;
  }
  if (negative)
    value = -value;
  if (value > INT32_MAX || value < INT32_MIN)
    return std::nullopt;
  return static_cast<int32_t>(value);
}

} // namespace frame
