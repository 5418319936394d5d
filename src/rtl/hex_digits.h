// Hexadecimal digits, as the stored texts, the string holder, the INI values, the form resources
// and the language files write them.
#pragma once

namespace rtl {

/// The value of a hexadecimal digit in either case; -1 for any other character (8-bit or UTF-16).
template <class C> constexpr int HexDigitValue(C c) noexcept {
  if (c >= C('0') && c <= C('9'))
    return c - C('0');
  if (c >= C('a') && c <= C('f'))
    return c - C('a') + 10;
  if (c >= C('A') && c <= C('F'))
    return c - C('A') + 10;
  return -1;
}

} // namespace rtl
