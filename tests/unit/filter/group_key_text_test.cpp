// A group's key is the text form of its variable's value: the fast way for integers and OLE
// strings must give exactly what the variant's own text form gives (its exact digits for 64-bit
// integers, which the OLE-compatible copy of a value would write as a floating-point number).
#include "filter/group_key_text.h"
#include "platform/codepage.h"
#include "rtl/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

std::string VariantKey(const platform::VariantRec& value) {
  std::string out;
  platform::AppendUtf8(rtl::Variant(value).ToWide(), out, platform::LoneSurrogates::Keep);
  return out;
}

template <class T> platform::VariantRec Rec(uint16_t vt, T value) {
  platform::VariantRec rec{};
  rec.vt = vt;
  if constexpr (sizeof(T) == 1)
    rec.bVal = static_cast<uint8_t>(value);
  else if constexpr (sizeof(T) == 2)
    rec.uiVal = static_cast<uint16_t>(value);
  else if constexpr (std::is_floating_point_v<T> && sizeof(T) == 4)
    rec.fltVal = value;
  else if constexpr (std::is_floating_point_v<T>)
    rec.dblVal = value;
  else if constexpr (sizeof(T) == 4)
    rec.ulVal = static_cast<uint32_t>(value);
  else
    rec.ullVal = static_cast<uint64_t>(value);
  return rec;
}

template <class T> void ExpectEveryEdge(uint16_t vt) {
  using L = std::numeric_limits<T>;
  for (const T value :
       {L::lowest(), L::max(), T(0), T(1), T(L::is_signed ? -1 : 2), T(100), T(L::max() / 3)}) {
    const platform::VariantRec rec = Rec(vt, value);
    std::string key;
    KeyText(rec, key);
    EXPECT_EQ(key, VariantKey(rec)) << "type " << vt << " value " << +value;
  }
}

TEST(GroupKeyText, IsTheVariantsTextForEveryIntegerAndFloatType) {
  ExpectEveryEdge<int8_t>(platform::vtI1);
  ExpectEveryEdge<uint8_t>(platform::vtUI1);
  ExpectEveryEdge<int16_t>(platform::vtI2);
  ExpectEveryEdge<uint16_t>(platform::vtUI2);
  ExpectEveryEdge<int32_t>(platform::vtI4);
  ExpectEveryEdge<int32_t>(platform::vtInt);
  ExpectEveryEdge<uint32_t>(platform::vtUI4);
  ExpectEveryEdge<uint32_t>(platform::vtUInt);
  ExpectEveryEdge<int64_t>(platform::vtI8);
  ExpectEveryEdge<uint64_t>(platform::vtUI8);
  ExpectEveryEdge<float>(platform::vtR4);
  ExpectEveryEdge<double>(platform::vtR8);
  // A key kept in the out string before is replaced, not appended to.
  std::string key = "left over";
  KeyText(Rec(platform::vtI4, int32_t{7}), key);
  EXPECT_EQ(key, "7");
  KeyText(rtl::Variant::FromAnsiText("Station 7").Rec(), key);
  EXPECT_EQ(key, "Station 7");
}

} // namespace
