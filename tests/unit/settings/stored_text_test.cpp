#include "settings/stored_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "é" in the system code page (Windows-1252 and its relatives).
const std::string kEAcute = "\xE9";

TEST(StoredText, EncodesBlanksSoThatTrimmingKeepsThem) {
  EXPECT_EQ(EncodeStoredText("a b"), "a b");
  EXPECT_EQ(EncodeStoredText("  a  b"), "++a+ b");
  EXPECT_EQ(EncodeStoredText("  two  spaces"), "++two+ spaces");
  EXPECT_EQ(EncodeStoredText(" "), "+");
  // A last blank would be lost by an INI file's trimming as well.
  EXPECT_EQ(EncodeStoredText("a "), "a+");
  EXPECT_EQ(EncodeStoredText("a  "), "a++");
  EXPECT_EQ(EncodeStoredText(""), "");
}

TEST(StoredText, EscapesPercentPlusControlAndHighBytes) {
  EXPECT_EQ(EncodeStoredText("x+y"), "x%2By");
  EXPECT_EQ(EncodeStoredText("50%"), "50%%");
  EXPECT_EQ(EncodeStoredText("a\r\nb"), "a%0D%0Ab");
  EXPECT_EQ(EncodeStoredText("\t"), "%09");
  EXPECT_EQ(EncodeStoredText(kEAcute), "%C3%A9");
  EXPECT_EQ(EncodeStoredText("~\x7F"), "~\x7F");
  EXPECT_EQ(EncodeStoredText(std::string("a\0b", 3)), "a%00b");
}

TEST(StoredText, DecodesEscapes) {
  EXPECT_EQ(DecodeStoredText("++two+ spaces"), "  two  spaces");
  EXPECT_EQ(DecodeStoredText("x%2By"), "x+y");
  EXPECT_EQ(DecodeStoredText("x%2by"), "x+y");
  EXPECT_EQ(DecodeStoredText("50%%"), "50%");
  EXPECT_EQ(DecodeStoredText("%%41"), "%41");
  EXPECT_EQ(DecodeStoredText("%C3%A9"), kEAcute);
  // A '%' that starts no escape stays, and what follows it is read normally.
  EXPECT_EQ(DecodeStoredText("100%"), "100%");
  EXPECT_EQ(DecodeStoredText("%4"), "%4");
  EXPECT_EQ(DecodeStoredText("%G1+"), "%G1 ");
  EXPECT_EQ(DecodeStoredText("%"), "%");
  EXPECT_EQ(DecodeStoredText(""), "");
}

TEST(StoredText, TextThatIsNotUtf8IsTakenByteForByte) {
  // An 8-bit character in the stored text: never coded, applied as it stands.
  EXPECT_EQ(DecodeStoredText("caf" + kEAcute + "%41"), "caf" + kEAcute + "A");
  // Escapes that give no UTF-8 sequence.
  EXPECT_EQ(DecodeStoredText("%E9t%E9"), kEAcute + "t" + kEAcute);
  EXPECT_EQ(DecodeStoredText("%C3"), "\xC3");
  EXPECT_EQ(DecodeStoredText("%C0%80"), "\xC0\x80");
}

TEST(StoredText, RoundTripsEveryText) {
  for (std::string text : {"  a  b", "x+y", "50%", "100%", "a b", "line 1\r\nline 2\r\n", " ", "  ",
                           "a ", "%%2B%", "+ +", "Var1 "})
    EXPECT_EQ(DecodeStoredText(EncodeStoredText(text)), text) << text;
  std::string all;
  for (int c = 1; c < 256; ++c)
    all.push_back(static_cast<char>(c));
  std::string coded = EncodeStoredText(all);
  for (char c : coded)
    EXPECT_TRUE(c >= 0x20 && c <= 0x7F) << static_cast<int>(c);
  // Bytes without a character in the code page come back as '?', all others unchanged.
  std::string back = DecodeStoredText(coded);
  ASSERT_EQ(back.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i)
    if (back[i] != '?') {
      EXPECT_EQ(back[i], all[i]) << i;
    }
}

TEST(StoredText, WideTextsKeepCharactersOutsideTheCodePage) {
  std::u16string text = u"\u20AC \u0416\u4E2D  x";
  std::string coded = EncodeStoredWideText(text);
  EXPECT_EQ(coded.find_first_of("\x80\xFF"), std::string::npos);
  EXPECT_EQ(DecodeStoredWideText(coded), text);
  EXPECT_EQ(DecodeStoredWideText("caf" + kEAcute), u"caf\u00E9");
  EXPECT_EQ(DecodeStoredWideText("%E9"), u"\u00E9");
}

} // namespace
