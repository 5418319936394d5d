#include "settings/big_ini_file_values.h"

#include "rtl/hex_digits.h"

#include <charconv>
#include <cmath>

namespace ini_values {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

} // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(1); // "0x1F" reads as "$1F"
  else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty())
    return std::nullopt;
  uint64_t magnitude = 0;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') {
    text.remove_prefix(1);
    if (text.empty())
      return std::nullopt;
    for (char c : text) {
      const int digit = rtl::HexDigitValue(c);
      if (digit < 0)
        return std::nullopt;
      magnitude = magnitude * 16 + static_cast<uint64_t>(digit);
      if (magnitude > 0xFFFFFFFFu)
        return std::nullopt;
    }
    // Hexadecimal texts give the bit pattern of the 32-bit value.
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative)
      bits = 0u - bits;
    return static_cast<int32_t>(bits);
  }
  for (char c : text) {
    if (!IsDigit(c))
      return std::nullopt;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    if (magnitude > 0x80000000u)
      return std::nullopt;
  }
  if (negative)
    return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  if (magnitude > 0x7FFFFFFFu)
    return std::nullopt;
  return static_cast<int32_t>(magnitude);
}

std::optional<double> ParseFloat(std::string_view text) {
  // Checked against the grammar first: from_chars alone would take "inf", "nan" and hexadecimal
  // forms, and would stop silently at trailing characters.
  std::string normal;
  normal.reserve(text.size());
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-')
      normal += '-';
    ++i;
  }
  std::size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits)
    normal += text[i];
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    normal += '.';
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits)
      normal += text[i];
  }
  if (digits == 0)
    return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
      normal += text[i++];
    std::size_t exponentDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits)
      normal += text[i];
    if (exponentDigits == 0)
      return std::nullopt;
  }
  if (i != text.size())
    return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
  if (error != std::errc() || end != normal.data() + normal.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string FormatFloat(double value) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  if (value == 0)
    return "0";
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  // to_chars writes "1.5e-06"; the stored form is "1.5E-6".
  const std::size_t e = text.find('e');
  if (e != std::string::npos) {
    std::string exponent = text.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+'))
      exponent.erase(0, 1);
    const std::size_t firstDigit = exponent.find_first_not_of('0');
    exponent = firstDigit == std::string::npos ? "0" : exponent.substr(firstDigit);
    text = text.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
  }
  if (kDecimalSeparator != '.')
    for (char& c : text)
      if (c == '.')
        c = kDecimalSeparator;
  return text;
}

} // namespace ini_values
