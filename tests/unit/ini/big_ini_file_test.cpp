// The INI file store's behaviour on text held in memory.
#include "settings/big_ini_file.h"
#include "settings/big_ini_file_values.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

TBigIniFile Parse(const std::string& text) {
  std::istringstream stream(text);
  return TBigIniFile(stream);
}

std::vector<std::string> Names(const TStringList& list) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < list.Count(); ++i)
    out.push_back(list[i]);
  return out;
}

using Strings = std::vector<std::string>;

TEST(TBigIniFile, ParsingKeepsLinesAndDropsRepeatedSections) {
  TBigIniFile ini = Parse("orphan=1\r\n[A]\nk=first\n [B]\n\x1A\n;note\r[ C ]\rx=1\n"
                          "[a]\nk=second\nonly=here\n[]\nempty=name");
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(Names(sections), (Strings{"A", " C ", ""}));
  EXPECT_EQ(ini.ReadString("a", "k", "?"), "first");
  EXPECT_EQ(ini.ReadString("A", "only", "missing"), "missing");
  EXPECT_EQ(ini.ReadString("A", "orphan", "missing"), "missing");
  EXPECT_EQ(ini.ReadString(" C ", "x", ""), "1");
  EXPECT_EQ(ini.ReadString("C", "x", "none"), "none");
  EXPECT_EQ(ini.ReadString("", "empty", ""), "name");
  TStringList names;
  ini.ReadSection("A", names);
  EXPECT_EQ(Names(names), (Strings{"k", " [B]", ";note"}));
  EXPECT_FALSE(ini.HasChanged());
}

TEST(TBigIniFile, NamesAndValuesOfLines) {
  TBigIniFile ini = Parse("[S]\n  key = value \nEmpty=\nBare\n=nameless\nk2=a=b\n");
  EXPECT_EQ(ini.ReadString("s", "KEY", ""), "value");
  EXPECT_EQ(ini.ReadString("S", " key ", ""), "value");
  EXPECT_EQ(ini.ReadString("S", "Empty", "d"), "");
  EXPECT_EQ(ini.ReadString("S", "Bare", "d"), "");
  EXPECT_EQ(ini.ReadString("S", "k2", ""), "a=b");
  EXPECT_TRUE(ini.ValueExists("S", "bare"));
  EXPECT_TRUE(ini.ValueExists("s", "EMPTY"));
  EXPECT_FALSE(ini.ValueExists("S", "nameless"));
  EXPECT_FALSE(ini.ValueExists("S", ""));
  EXPECT_FALSE(ini.ValueExists("T", "key"));
  TStringList names;
  ini.ReadSection("S", names);
  EXPECT_EQ(Names(names), (Strings{"key", "Empty", "Bare", "k2"}));
  TStringList values;
  ini.ReadSectionValues("S", values);
  EXPECT_EQ(Names(values), (Strings{"key=value", "Empty=", "Bare=", "k2=a=b"}));
}

TEST(TBigIniFile, SearchesFromThePreviousHitStillFindEveryKey) {
  TBigIniFile ini = Parse("[One]\na=1\nb=2\nc=3\n[Two]\nx=1\n[Three]\ny=2\n[Dup]\nd=first\ne=0\n"
                          "d=second\n");
  EXPECT_EQ(ini.ReadString("Three", "y", ""), "2");
  EXPECT_EQ(ini.ReadString("One", "c", ""), "3");
  EXPECT_EQ(ini.ReadString("One", "a", ""), "1");
  EXPECT_EQ(ini.ReadString("Two", "x", ""), "1");
  EXPECT_EQ(ini.ReadString("One", "b", ""), "2");
  // A repeated key always reads its first line, wherever the previous look-up stopped.
  EXPECT_EQ(ini.ReadString("Dup", "e", ""), "0");
  EXPECT_EQ(ini.ReadString("Dup", "d", ""), "first");
  ini.WriteString("Dup", "d", "new");
  EXPECT_NE(ini.FileText().find("[Dup]\r\nd=new\r\ne=0\r\nd=second\r\n"), std::string::npos);
}

TEST(TBigIniFile, Integers) {
  TBigIniFile ini = Parse("[N]\nhex=0x1f\nHEX=0X1F\ndollar=$1F\ndec=31\nneg=-2147483648\n"
                          "big=2147483648\nall=0xFFFFFFFF\nfrac=1.5\nempty=\nword=abc\n");
  for (const char* key : {"hex", "dollar", "dec"})
    EXPECT_EQ(ini.ReadInteger("N", key, -1), 31) << key;
  EXPECT_EQ(ini.ReadInteger("N", "neg", 0), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "all", 0), -1);
  for (const char* key : {"big", "frac", "empty", "word", "missing"})
    EXPECT_EQ(ini.ReadInteger("N", key, 7), 7) << key;
  ini.WriteInteger("N", "w", -12);
  EXPECT_EQ(ini.ReadString("N", "w", ""), "-12");
}

TEST(TBigIniFile, FloatsWithEitherSeparator) {
  TBigIniFile ini = Parse("[F]\ncomma=2,5\ndot=2.5\nexp=2.5e3\nword=abc\nboth=1,000.5\ninf=INF\n");
  EXPECT_EQ(ini.ReadFloat("F", "comma", 0), 2.5);
  EXPECT_EQ(ini.ReadFloat("F", "dot", 0), 2.5);
  EXPECT_EQ(ini.ReadFloat("F", "exp", 0), 2500);
  for (const char* key : {"word", "both", "inf", "missing"})
    EXPECT_EQ(ini.ReadFloat("F", key, -1), -1) << key;

  EXPECT_EQ(ini_values::FormatFloat(5000), "5000");
  EXPECT_EQ(ini_values::FormatFloat(0.1), "0.1");
  EXPECT_EQ(ini_values::FormatFloat(-2.5), "-2.5");
  EXPECT_EQ(ini_values::FormatFloat(1e20), "1E20");
  EXPECT_EQ(ini_values::FormatFloat(1.5e-6), "1.5E-6");
  EXPECT_EQ(ini_values::FormatFloat(0.0001), "0.0001");
  EXPECT_EQ(ini_values::FormatFloat(123456789012345.0), "123456789012345");
  ini.WriteFloat("F", "third", 1.0 / 3);
  EXPECT_EQ(ini.ReadString("F", "third", ""), "0.333333333333333");
}

TEST(TBigIniFile, WritingChangesOnlyWhatDiffers) {
  TBigIniFile ini = Parse("[S]\nkey=value\nKey2 = x\n");
  ini.WriteString("S", "key", "value");
  ini.WriteString("s", "KEY", "value"); // the line is compared with case: "KEY=value" differs
  EXPECT_TRUE(ini.HasChanged());
  EXPECT_EQ(ini.FileText(), "[S]\r\nKEY=value\r\nKey2 = x\r\n\r\n");

  TBigIniFile same = Parse("[S]\nkey=value\n");
  same.WriteString("S", "key", "value");
  same.DeleteKey("S", "missing");
  same.EraseSection("missing");
  EXPECT_FALSE(same.HasChanged());

  // Blanks are written as they are and read back trimmed; the same key with blanks around it
  // keeps addressing the same line.
  same.WriteString("S", "pad", "  two  ");
  same.WriteString("S", " pad ", " three ");
  same.WriteString("New", "n", "1");
  EXPECT_EQ(same.ReadString("S", "pad", ""), "three");
  EXPECT_EQ(same.FileText(), "[S]\r\nkey=value\r\n pad = three \r\n\r\n[New]\r\nn=1\r\n\r\n");
}

TEST(TBigIniFile, LinesThatWouldNotReadBackAreRefused) {
  TBigIniFile ini = Parse("[S]\nk=v\n");
  EXPECT_THROW(ini.WriteString("S", "k", "a\r\n[Other]"), EIniLineError);
  EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EIniLineError);
  EXPECT_THROW(ini.WriteString("S", "[x", "]"), EIniLineError);
  EXPECT_THROW(ini.WriteString("S\nT", "k", "v"), EIniLineError);
  EXPECT_FALSE(ini.HasChanged());
  EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
}

TEST(TBigIniFile, DeletingAndTheEmptyKey) {
  TBigIniFile ini = Parse("[A]\nk=1\nl=2\n[B]\nm=3\n[C]\nn=4\n");
  ini.DeleteKey("a", "K");
  EXPECT_TRUE(ini.HasChanged());
  EXPECT_EQ(ini.ReadString("A", "k", "gone"), "gone");
  ini.WriteString("B", "", "x"); // erases B
  ini.WriteString("", "", "");   // only UpdateFile, which clears the flag without a file name
  EXPECT_FALSE(ini.HasChanged());
  EXPECT_EQ(ini.ReadString("B", "m", "gone"), "gone");
  EXPECT_EQ(ini.ReadString("C", "n", ""), "4");
  ini.WriteString("X", "", ""); // a named section is erased even with an empty value
  EXPECT_FALSE(ini.HasChanged());
  ini.EraseSection("a");
  ini.WriteString("D", "k", "v");
  ini.DeleteKey("D", "k"); // D has no lines left and is not written
  EXPECT_TRUE(ini.SectionExists("C"));
  EXPECT_FALSE(ini.SectionExists("D"));
  EXPECT_EQ(ini.FileText(), "[C]\r\nn=4\r\n\r\n");
}

TEST(TBigIniFile, RewriteNormalisesLayoutAndIsStable) {
  const std::string messy = "; header comment\r\n\r\n[First]\r\n\r\na=1\n;keep me\r\n   \n"
                            "[Empty]\n\n[Second]\rb = 2\r[first]\nlost=1\n";
  TBigIniFile ini = Parse(messy);
  const std::string expected = "[First]\r\na=1\r\n;keep me\r\n   \r\n\r\n[Second]\r\nb = 2\r\n\r\n";
  EXPECT_EQ(ini.FileText(), expected);
  EXPECT_EQ(Parse(expected).FileText(), expected);
}

} // namespace
