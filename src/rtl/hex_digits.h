// Hexadecimal digits, as the stored texts, the string holder and the INI values write them.
#pragma once

namespace rtl {

/// The value of a hexadecimal digit in either case; -1 for any other character.
constexpr int HexDigitValue(char c) noexcept {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace rtl
