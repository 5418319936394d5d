// Number texts of the INI file store. Integers are decimal or, after "$" or a leading "0x",
// hexadecimal; floating-point numbers are read with either '.' or ',' as decimal separator and
// written in the general form with up to 15 significant digits.
//
// The store's decimal separator is '.' whatever the user's locale says, so that a file written on
// one system reads the same on every other (and reading accepts ',' as well). Conversions never
// depend on the C library's locale, which the host process may have changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ini_values {

/// The decimal separator the store writes.
constexpr char kDecimalSeparator = '.';

/// Text as a signed 32-bit integer: an optional sign, then decimal digits, or "$" (also "x" or
/// "X", and "0x"/"0X" at the very start) and hexadecimal digits. Hexadecimal texts take up to 32
/// bits ("$FFFFFFFF" is -1). Empty when the text is anything else or out of range.
std::optional<int32_t> ParseInteger(std::string_view text);

/// Text as a floating-point number: an optional sign, digits with an optional decimal separator
/// ('.' or ','), and an optional exponent ("2,5", "2.5", "2.5e3", ".5"). Empty when the text is
/// anything else (including "INF" and "NAN") or out of range.
std::optional<double> ParseFloat(std::string_view text);

/// Value in the general decimal form: fixed notation for exponents from -5 to 14, otherwise
/// scientific with an upper-case "E" and no '+' ("2500", "0.1", "1E20", "1.5E-6"); infinities
/// and not-a-number as "INF", "-INF" and "NAN".
std::string FormatFloat(double value);

} // namespace ini_values
