#include "packet_parser.h"

#include <gtest/gtest.h>

namespace hostsim {
namespace {

using Kind = PacketValue::Kind;

PacketLine Parse(std::string_view text) {
  ParseError error;
  auto line = ParsePacketLine(text, 1, error);
  EXPECT_TRUE(line.has_value()) << error.Format("input");
  return line.value_or(PacketLine{});
}

/// The error text "input:LINE:COLUMN: message" of a line that must not parse.
std::string Error(std::string_view text, int lineNumber = 1) {
  ParseError error;
  auto line = ParsePacketLine(text, lineNumber, error);
  EXPECT_FALSE(line.has_value()) << text;
  return error.Format("input");
}

TEST(PacketParser, ValuesAreTypedByHowTheyAreWritten) {
  const auto line = Parse("i=42; n=-7; p=+3; f=21.5; e=1e3; g=.5; big=5000000000; t='abc'; z=");
  ASSERT_FALSE(line.skip);
  ASSERT_EQ(line.values.size(), 9u);
  EXPECT_EQ(line.values[0].kind, Kind::Integer);
  EXPECT_EQ(line.values[0].integer, 42);
  EXPECT_EQ(line.values[1].integer, -7);
  EXPECT_EQ(line.values[2].kind, Kind::Integer);
  EXPECT_EQ(line.values[2].integer, 3);
  EXPECT_EQ(line.values[3].kind, Kind::Float);
  EXPECT_DOUBLE_EQ(line.values[3].number, 21.5);
  EXPECT_EQ(line.values[4].kind, Kind::Float);
  EXPECT_DOUBLE_EQ(line.values[4].number, 1000);
  EXPECT_DOUBLE_EQ(line.values[5].number, 0.5);
  EXPECT_EQ(line.values[6].kind, Kind::Integer);
  EXPECT_EQ(line.values[6].integer, 5000000000LL);
  EXPECT_EQ(line.values[7].kind, Kind::Text);
  EXPECT_EQ(line.values[7].text, "abc");
  EXPECT_EQ(line.values[8].kind, Kind::Null);
  EXPECT_EQ(line.values[8].name, "z");
}

TEST(PacketParser, QuotedTextKeepsEverythingAndDoublesItsQuote) {
  const auto line = Parse(R"(a='it''s'; b="say ""hi"""; c="it's"; d=' x;y|z '; e='')");
  ASSERT_EQ(line.values.size(), 5u);
  EXPECT_EQ(line.values[0].text, "it's");
  EXPECT_EQ(line.values[1].text, R"(say "hi")");
  EXPECT_EQ(line.values[2].text, "it's");
  EXPECT_EQ(line.values[3].text, " x;y|z ");
  EXPECT_EQ(line.values[4].kind, Kind::Text);
  EXPECT_EQ(line.values[4].text, "");
  EXPECT_EQ(QuoteText("it's"), "'it''s'");
}

TEST(PacketParser, NamesAreTrimmedAndEmptyPartsIgnored) {
  const auto line = Parse("  Temp Outside = 5 ;; humidity=40;  ");
  ASSERT_EQ(line.values.size(), 2u);
  EXPECT_EQ(line.values[0].name, "Temp Outside");
  EXPECT_EQ(line.values[0].integer, 5);
  EXPECT_EQ(line.values[1].name, "humidity");
}

TEST(PacketParser, BarSeparatesAndPutsARowMarker) {
  const auto line = Parse("a=1 | b=2 |");
  ASSERT_EQ(line.values.size(), 4u);
  EXPECT_EQ(line.values[0].name, "a");
  EXPECT_EQ(line.values[1].kind, Kind::Marker);
  EXPECT_EQ(line.values[2].name, "b");
  EXPECT_EQ(line.values[3].kind, Kind::Marker);
  const auto onlyMarker = Parse("|");
  ASSERT_EQ(onlyMarker.values.size(), 1u);
  EXPECT_EQ(onlyMarker.values[0].kind, Kind::Marker);
}

TEST(PacketParser, BlankAndCommentLinesAreSkipped) {
  EXPECT_TRUE(Parse("").skip);
  EXPECT_TRUE(Parse("   \t").skip);
  EXPECT_TRUE(Parse("# a comment; a=1").skip);
  EXPECT_TRUE(Parse("   # indented").skip);
  EXPECT_FALSE(Parse("a=1").skip);
}

TEST(PacketParser, ClockStepComesFirst) {
  const auto step = Parse("@1500 temp=21.5");
  EXPECT_EQ(step.delayMs, 1500u);
  ASSERT_EQ(step.values.size(), 1u);
  EXPECT_EQ(step.values[0].name, "temp");
  const auto pause = Parse("@2500");
  EXPECT_FALSE(pause.skip);
  EXPECT_EQ(pause.delayMs, 2500u);
  EXPECT_TRUE(pause.values.empty());
  EXPECT_EQ(Parse("temp=1").delayMs, 0u);

  EXPECT_EQ(Error("@ 5 a=1"), "input:1:2: expected milliseconds after '@'");
  EXPECT_EQ(Error("@12x=1"), "input:1:4: expected a blank after '@12'");
  EXPECT_EQ(Error("@99999999999 a=1"), "input:1:2: the clock step after '@' is too large");
}

TEST(PacketParser, ErrorsNameLineAndColumn) {
  EXPECT_EQ(Error("humidity=40; temp", 7), "input:7:18: expected '=' after name \"temp\"");
  EXPECT_EQ(Error("a=1; temp ; b=2"), "input:1:10: expected '=' after name \"temp\"");
  EXPECT_EQ(Error("a=1; =5"), "input:1:6: expected a name before '='");
  EXPECT_EQ(Error("a='abc"), "input:1:3: unterminated text: no closing ' for the value of \"a\"");
  EXPECT_EQ(Error("a=\"it''s"),
            "input:1:3: unterminated text: no closing \" for the value of \"a\"");
  EXPECT_EQ(Error("a='x' y; b=1"), "input:1:7: expected ';' or '|' after the value of \"a\"");
  EXPECT_EQ(Error("a=1; station=north"),
            "input:1:14: the value of \"station\" is not a number; write text in quotes: 'north'");
  EXPECT_EQ(Error("a=99999999999999999999"),
            "input:1:3: the integer value of \"a\" is out of range");
}

TEST(PacketParser, WordsThatLookNumericAreNotNumbers) {
  for (const char* text :
       {"a=inf", "a=nan", "a=-inf", "a=0x1F", "a=1.5.2", "a=+-5", "a=.", "a=12 34", "a=1e999"}) {
    ParseError error;
    EXPECT_FALSE(ParsePacketLine(text, 1, error).has_value()) << text;
    EXPECT_EQ(error.column, 3) << text;
  }
}

} // namespace
} // namespace hostsim
