// The variant types the data path treats apart. A value handed to the host is made OLE-compatible
// first; an item of a parameter list stores that copy, converted back to the caller's type for
// the numbers. The item recycler stores values of the other types as they stand, so these lists
// decide what every way of storing keeps: they are written once, here.
#pragma once

#include "platform/ole_variant.h"

#include <cstdint>

namespace rtl {

/// True for the types Variant::OleCompatible converts: the host runtime's 8-bit string, the
/// signed 8-bit, the unsigned 8-, 16- and 32-bit and the 64-bit integers. A value of any other
/// type is its own OLE-compatible copy.
constexpr bool IsOleConverted(uint16_t vt) noexcept {
  switch (vt) {
  case platform::vtAnsiString:
  case platform::vtI1:
  case platform::vtUI1:
  case platform::vtUI2:
  case platform::vtUI4:
  case platform::vtI8:
    return true;
  default:
    return false;
  }
}

/// True for the converted numbers: an item stores their OLE-compatible copy converted back to
/// the caller's type. The 8-bit string is stored as the OLE string it becomes.
constexpr bool IsOleConvertedNumber(uint16_t vt) noexcept {
  return IsOleConverted(vt) && vt != platform::vtAnsiString;
}

} // namespace rtl
