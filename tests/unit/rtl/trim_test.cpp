#include "rtl/trim.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace std::string_view_literals;

static_assert(rtl::Trim(" \tx y\r\n"sv) == "x y"sv);
static_assert(rtl::IsBlankText(""sv) && !rtl::IsBlankText(" ."));

TEST(Trim, EightBitTexts) {
  struct Case {
    std::string_view text, trimmed;
  };
  const Case cases[] = {
      {""sv, ""sv},
      {"   "sv, ""sv},
      {"\t\r\n\x01\x1f \x20"sv, ""sv},
      {"\0a\0"sv, "a"sv},
      {"  a b  "sv, "a b"sv},
      {"\x01x\x1f"sv, "x"sv},
      {"!"sv, "!"sv},
      // DEL and the bytes of non-ASCII characters are text, not controls.
      {"\x7f"sv, "\x7f"sv},
      {" \xa0x\xff "sv, "\xa0x\xff"sv},
      {"\x80"sv, "\x80"sv},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(rtl::Trim(c.text), c.trimmed);
    EXPECT_EQ(rtl::IsBlankText(c.text), c.trimmed.empty());
  }
}

TEST(Trim, WideTexts) {
  struct Case {
    std::u16string_view text, trimmed;
  };
  const Case cases[] = {
      {u""sv, u""sv},
      {u" \t\r\n\x01"sv, u""sv},
      {u"\x20x y\x1f"sv, u"x y"sv},
      // Only codes up to 0x20 count: wide blanks and units whose low byte is a blank are text.
      {u"\u00a0x\u3000"sv, u"\u00a0x\u3000"sv},
      {u"\u0120x\u0109"sv, u"\u0120x\u0109"sv},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(rtl::Trim(c.text) == c.trimmed) << (&c - cases);
}
