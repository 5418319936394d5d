#include "platform/codepage.h"
#include "rtl/ansi_string.h"
#include "rtl/exceptions.h"
#include "rtl/guid_text.h"
#include "rtl/variant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <thread>
#include <vector>

using namespace rtl;
using namespace platform;

TEST(AnsiString, CountedBlockLayoutAndSharing) {
  AnsiString empty;
  EXPECT_EQ(empty.BlockPointer(), nullptr);
  EXPECT_STREQ(empty.CStr(), "");

  AnsiString a("Temp");
  const char* p = a.BlockPointer();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<const int32_t*>(p)[-1], 4);
  EXPECT_EQ(reinterpret_cast<const int32_t*>(p)[-2], 1);
  EXPECT_EQ(p[4], '\0');
  {
    AnsiString b = a;
    EXPECT_EQ(b.BlockPointer(), p);
    EXPECT_EQ(reinterpret_cast<const int32_t*>(p)[-2], 2);
  }
  EXPECT_EQ(reinterpret_cast<const int32_t*>(p)[-2], 1);
  AnsiString moved = std::move(a);
  EXPECT_EQ(moved.BlockPointer(), p);
  EXPECT_EQ(a.BlockPointer(), nullptr);
}

TEST(AnsiString, ConstantBlocksAreNeverCountedOrFreed) {
  // A constant block as another runtime may hand it over: count -1.
  alignas(8) static char block[8 + 4] = {};
  reinterpret_cast<int32_t*>(block)[0] = -1;
  reinterpret_cast<int32_t*>(block)[1] = 3;
  std::memcpy(block + 8, "abc", 4);
  {
    AnsiString s = AnsiString::FromBlock(block + 8);
    AnsiString t = s;
    EXPECT_EQ(t.View(), "abc");
  }
  EXPECT_EQ(reinterpret_cast<int32_t*>(block)[0], -1);
}

TEST(AnsiString, SharedAcrossThreads) {
  AnsiString s("shared");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        AnsiString copy = s;
        ASSERT_EQ(copy.Length(), 6);
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(reinterpret_cast<const int32_t*>(s.BlockPointer())[-2], 1);
}

TEST(CodePage, AnsiLowerCaseAndConversions) {
  EXPECT_EQ(AnsiString("TeMP").Lowered(), "temp");
  EXPECT_EQ(AnsiString("\xC9T\xC9").Lowered(), "\xE9t\xE9"); // É -> é
  EXPECT_EQ(AnsiString(" x ").Lowered(), " x ");
  EXPECT_EQ(WideToUtf8(AnsiToWide("\xE9")), "\xC3\xA9");
  EXPECT_EQ(WideToAnsi(Utf8ToWide("\xC3\xA9")), "\xE9");
  EXPECT_EQ(Utf8ToWide("\xFF"), std::u16string(1, u'\xFFFD'));
  EXPECT_EQ(WideToAnsi(u"\x4E2D"), "?");
}

TEST(Variant, OleCompatibleCopy) {
  EXPECT_EQ(Variant::Ansi(AnsiString("abc")).OleCompatible().Type(), vtBstr);
  EXPECT_EQ(Variant::Ansi(AnsiString("abc")).OleCompatible().ToText(), "abc");
  EXPECT_EQ(Variant::Word(65535).OleCompatible().Type(), vtI4);
  EXPECT_EQ(Variant::Byte(7).OleCompatible().Rec().lVal, 7);
  EXPECT_EQ(Variant::UInt32(0x7FFFFFFF).OleCompatible().Type(), vtI4);
  EXPECT_EQ(Variant::UInt32(0x80000000u).OleCompatible().Type(), vtR8);
  EXPECT_EQ(Variant::Int64(5).OleCompatible().Type(), vtI4);
  Variant big = Variant::Int64(int64_t(1) << 40).OleCompatible();
  EXPECT_EQ(big.Type(), vtR8);
  EXPECT_EQ(big.Rec().dblVal, 1099511627776.0);
  EXPECT_EQ(Variant::Int64(-2147483648LL).OleCompatible().Type(), vtI4);
  EXPECT_EQ(Variant::Double(1.5).OleCompatible().Type(), vtR8);
}

// The data path stores a value of a type outside the converted list as it stands: the list must
// name exactly the types whose OLE-compatible copy has another type.
TEST(Variant, ConvertedTypesAreTheOnesOleCompatibleChanges) {
  std::vector<Variant> samples = {
      Variant(),           Variant::Null(),
      Variant::Int16(-2),  Variant::Int32(7),
      Variant::UInt32(7),  Variant::UInt32(0x80000000u),
      Variant::Int64(7),   Variant::Int64(int64_t(1) << 40),
      Variant::UInt64(7),  Variant::Byte(7),
      Variant::Word(7),    Variant::Single(1.5f),
      Variant::Double(2),  Variant::Bool(true),
      Variant::Wide(u"w"), Variant::Ansi(AnsiString("a")),
  };
  for (uint16_t vt : {vtCurrency, vtDate, vtError, vtI1, vtInt, vtUInt}) {
    VariantRec rec{};
    rec.vt = vt;
    samples.emplace_back(rec);
  }
  for (const Variant& v : samples) {
    SCOPED_TRACE(v.Type());
    const uint16_t oleType = v.OleCompatible().Type();
    EXPECT_EQ(oleType != v.Type(), IsOleConverted(v.Type()));
    EXPECT_EQ(Variant::OleCompatibleCopy(v.Rec()).Type(), oleType);
  }
}

TEST(Variant, ChangeTypeFollowsSystemRules) {
  Variant v = Variant::Double(2.5);
  EXPECT_EQ(v.ChangeType(vtI4), kOk);
  EXPECT_EQ(v.Rec().lVal, 2); // half to even
  v = Variant::Double(3.5);
  v.ChangeType(vtI4);
  EXPECT_EQ(v.Rec().lVal, 4);
  v = Variant::Int32(70000);
  EXPECT_EQ(v.ChangeType(vtI2), kOverflow);
  EXPECT_EQ(v.Type(), vtI4); // unchanged on failure
  v = Variant::Int32(5);
  EXPECT_EQ(v.ChangeType(vtI8), kOk);
  EXPECT_EQ(v.Type(), vtI8);
  EXPECT_EQ(v.Rec().llVal, 5);
  v = Variant::FromAnsiText("42");
  EXPECT_EQ(v.ChangeType(vtI4), kOk);
  EXPECT_EQ(v.Rec().lVal, 42);
  v = Variant::FromAnsiText("4x");
  EXPECT_EQ(v.ChangeType(vtI4), kTypeMismatch);
  v = Variant::Null();
  EXPECT_EQ(v.ChangeType(vtI4), kTypeMismatch);
  v = Variant::Int32(1);
  EXPECT_EQ(v.ChangeType(vtBool), kOk);
  EXPECT_EQ(v.Rec().boolVal, -1);
}

TEST(Variant, TextForms) {
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant::Null().ToText(), "");
  EXPECT_EQ(Variant::Int32(-12).ToText(), "-12");
  EXPECT_EQ(Variant::Double(1.5).ToText(), "1.5");
  EXPECT_EQ(Variant::Double(250.75).ToText(), "250.75");
  EXPECT_EQ(Variant::Bool(true).ToText(), "True");
  EXPECT_EQ(Variant::FromAnsiText("\xE9").ToText(), "\xE9");
  EXPECT_DOUBLE_EQ(Variant::FromAnsiText("1500.9").ToDouble(), 1500.9);
  EXPECT_EQ(Variant().ToInt32(), 0);
  EXPECT_TRUE(Variant::FromAnsiText("True").ToBool());
  EXPECT_THROW(Variant::FromAnsiText("nope").ToInt32(), EVariantError);
}

TEST(Variant, CopiesOwnTheirStrings) {
  Variant a = Variant::FromAnsiText("text");
  Variant b = a;
  EXPECT_NE(a.Rec().bstrVal, b.Rec().bstrVal);
  a = Variant::Int32(1);
  EXPECT_EQ(b.ToText(), "text");
  Variant s = Variant::Ansi(AnsiString("x"));
  Variant t = s;
  EXPECT_EQ(s.Rec().ptr, t.Rec().ptr);
}

TEST(Rtl, AssertionMessageAndGuidText) {
  try {
    AssertionFailure("Assertion failure", "Public/Common/zetParamLst", 42);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "Assertion failure (Public/Common/zetParamLst, line 42)");
  }
  std::array<uint8_t, 16> g{0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                            0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67, 0x89};
  EXPECT_EQ(GuidToString(g), "{12345678-1234-5678-ABCD-EF0123456789}");
  std::string a = NewGuidString(), b = NewGuidString();
  EXPECT_NE(a, b);
  EXPECT_TRUE(std::regex_match(a, std::regex(R"(\{[0-9A-F]{8}-([0-9A-F]{4}-){3}[0-9A-F]{12}\})")));
}
