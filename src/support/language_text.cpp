#include "support/language_text.h"

#include "rtl/hex_digits.h"

#include <array>

namespace support {
namespace {

struct TCharsetName {
  std::string_view Name;
  TCharsetInfo Info;
};

constexpr std::array<TCharsetName, 15> kCharsets = {{
    {"windows-1250", {238, 1250}},
    {"windows-1251", {204, 1251}},
    {"windows-1252", {0, 1252}},
    {"windows-1253", {161, 1253}},
    {"windows-1254", {162, 1254}},
    {"windows-1255", {177, 1255}},
    {"windows-1256", {178, 1256}},
    {"windows-1257", {186, 1257}},
    {"windows-1258", {163, 1258}},
    {"windows-874", {222, 874}},
    {"shift-jis", {128, 932}},
    {"hangeul", {129, 949}},
    {"johab", {130, 1361}},
    {"gb2312", {134, 936}},
    {"chinesebig5", {136, 950}},
}};

} // namespace

TEncodedKey EncodeKey(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  TEncodedKey k;
  bool literalSeen = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 32) {
      const char16_t coded[3] = {u'%', kHex[c >> 4], kHex[c & 15]};
      k.Key.append(coded, 3);
      k.KeyNoAccel.append(coded, 3);
      k.HasControl = true;
    } else if (c == u'&' && !literalSeen && (i + 1 >= text.size() || text[i + 1] != u'&')) {
      k.HasAccel = true;
      k.Key.push_back(c);
    } else {
      k.Key.push_back(c);
      k.KeyNoAccel.push_back(c);
      if (c == u'&')
        literalSeen = true;
    }
  }
  return k;
}

std::u16string DecodeText(std::u16string_view text, bool stripAccel, bool decodeControl) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (decodeControl && c == u'%' && i + 2 < text.size()) {
      const int hi = rtl::HexDigitValue(text[i + 1]), lo = rtl::HexDigitValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char16_t>(hi * 16 + lo));
        i += 2;
        continue;
      }
      out.push_back(c);
    } else if (stripAccel && c == u'&') {
      if (i + 1 < text.size() && text[i + 1] == u'&') {
        out.append(u"&&");
        ++i;
      }
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool HasTranslatableChar(std::u16string_view text) noexcept {
  for (char16_t c : text) {
    if (c > 127 || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
      return true;
  }
  return false;
}

std::optional<TCharsetInfo> CharsetFromName(std::string_view name) noexcept {
  for (const TCharsetName& entry : kCharsets) {
    if (entry.Name == name)
      return entry.Info;
  }
  return std::nullopt;
}

bool IsEastAsianCharset(uint8_t charset) noexcept {
  return charset == 128 || charset == 129 || charset == 130 || charset == 134 || charset == 136;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + 32);
  }
  return out;
}

} // namespace support
