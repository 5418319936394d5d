#include "settings/map_line.h"

#include <gtest/gtest.h>

namespace {

TMapLine Parse(std::string_view line) {
  TMapLine out;
  EXPECT_TRUE(ParseMapLine(line, out)) << line;
  return out;
}

TEST(MapLine, SplitsItemAndKey) {
  struct Case {
    const char* line;
    const char* item;
    const char* key;
  } cases[] = {
      {"var1.Text,Var1", "var1.Text", "Var1"},
      {"Left;Left", "Left", "Left"},
      {"var1.Text, Var1 ;note", "var1.Text", "Var1 "},
      {"x.Text,Key;c", "x.Text", "Key"},
      {"  spTimeout.Value , Timeout  ", "spTimeout.Value", "Timeout"},
      {"chkNoReset.Checked,No reset", "chkNoReset.Checked", "No reset"},
      {"a,b,c", "a", "b,c"},
      {"a;b;c", "a", "b"},
      {"a;b,c", "a;b", "c"},
      {"Width,", "Width", ""},
      {"Lonely", "Lonely", ""},
      {",Key", "", "Key"},
      {"var1.*ItemIndex,Index1", "var1.*ItemIndex", "Index1"},
      {"\tTop,Top\r", "Top", "Top"},
  };
  for (const Case& c : cases) {
    TMapLine line = Parse(c.line);
    EXPECT_EQ(line.ItemName, c.item) << c.line;
    EXPECT_EQ(line.Key, c.key) << c.line;
  }
}

TEST(MapLine, CommentsAndBlankLinesAreSkipped) {
  TMapLine out;
  for (const char* line : {"", " ", "  ;comment", ";---short---", "\t\r\n", ";a,b"}) {
    EXPECT_FALSE(ParseMapLine(line, out)) << line;
    EXPECT_TRUE(out.ItemName.empty() && out.Key.empty());
  }
}

TEST(MapLine, LinesWithoutItemOrKeyAreNotUsable) {
  EXPECT_TRUE(Parse("Left,Left").IsUsable());
  EXPECT_FALSE(Parse("Width,").IsUsable());
  EXPECT_FALSE(Parse(",Key").IsUsable());
  EXPECT_FALSE(Parse("Lonely").IsUsable());
  EXPECT_FALSE(Parse("x, ;only a comment").IsUsable());
}

TEST(MapLine, KeysSplitIntoSubPathAndValueName) {
  struct Case {
    const char* key;
    const char* path;
    const char* value;
  } cases[] = {
      {"Var1", "", "Var1"},       {"\\\\Sub\\\\\\\\Val", "Sub", "Val"},
      {"\\Var1", "", "Var1"},     {"X\\Y\\Var1", "X\\Y", "Var1"},
      {"Sub\\", "Sub", ""},       {"\\", "", ""},
      {"A\\\\B\\\\", "A\\B", ""}, {"No reset", "", "No reset"},
  };
  for (const Case& c : cases) {
    TMapKey key = SplitMapKey(c.key);
    EXPECT_EQ(key.SubPath, c.path) << c.key;
    EXPECT_EQ(key.ValueName, c.value) << c.key;
  }
}

TEST(MapLine, ItemNames) {
  EXPECT_EQ(SplitItemName("var1.Font.Size"), (std::vector<std::string>{"var1", "Font", "Size"}));
  EXPECT_EQ(SplitItemName("Left"), (std::vector<std::string>{"Left"}));
  EXPECT_EQ(SplitItemName("a..b."), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(MirroredPropertyName("var1.Text"), "var1_Text");
  EXPECT_EQ(MirroredPropertyName("spTimeout.Value"), "spTimeout_Value");
  EXPECT_EQ(MirroredPropertyName("Left"), "Left");
}

TEST(MapLine, ShortSetEndsAfterTheMarker) {
  std::string map = "Left,Left\r\nTop,Top\r\n;---short---\r\nvar1.Text,Var1\r\n";
  EXPECT_EQ(CutAtShortMarker(map), "Left,Left\r\nTop,Top\r\n;---short---");
  EXPECT_EQ(CutAtShortMarker("var1.Text,Var1\r\n"), "var1.Text,Var1\r\n");
}

} // namespace
