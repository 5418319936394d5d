// Small text tests of the frame's named keys and parameter texts.
#pragma once

#include "rtl/trim.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace frame {

/// True when A and B are equal regardless of ANSI case.
bool SameKey(std::string_view a, std::string_view b);
/// Text lower-cased with the ANSI code page's rules.
std::string LowerKey(std::string_view text);
/// Text without the characters up to blank at both ends.
inline std::string_view TrimText(std::string_view text) noexcept {
  return rtl::Trim(text);
}
/// The value of a decimal number (an optional sign and at least one digit, nothing else) that
/// fits 32 signed bits; nothing otherwise.
std::optional<int32_t> DecimalValue(std::string_view text) noexcept;

} // namespace frame
