#include "rtl/hex_digits.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace std::string_view_literals;

TEST(HexDigits, ValuesOfEightBitAndWideCharacters) {
  const std::u16string_view digits = u"0123456789abcdefABCDEF";
  const int values[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                        11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
  // The neighbours of the digit ranges, and wide units whose low byte is a digit or that are
  // digits of other scripts.
  const std::u16string_view others = u"/:@G`gx -\0\u0130\u0141\u0161\uff10\u0661"sv;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(rtl::HexDigitValue(digits[i]), values[i]) << i;
    EXPECT_EQ(rtl::HexDigitValue(static_cast<char>(digits[i])), values[i]) << i;
  }
  for (char16_t c : others) {
    EXPECT_EQ(rtl::HexDigitValue(c), -1) << int(c);
    if (c < 0x80) {
      EXPECT_EQ(rtl::HexDigitValue(static_cast<char>(c)), -1) << int(c);
    }
  }
  // Bytes of non-ASCII characters are negative as signed chars; none is a digit.
  for (int b = 0x80; b <= 0xff; ++b)
    EXPECT_EQ(rtl::HexDigitValue(static_cast<char>(b)), -1) << b;
}
