// The POSIX stand-in uses Windows-1252, the ANSI code page of a Western European system, so that
// stored settings and names behave as they do on such a system.
#include "platform/codepage.h"

#include <cstdint>

namespace platform {
namespace {

// Characters 0x80..0x9F of Windows-1252; 0 marks an unassigned byte (mapped to the same value).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t ByteToWide(unsigned char b) {
  if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80])
    return kHigh[b - 0x80];
  return b;
}

int WideToByte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
    return c;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c)
      return 0x80 + i;
  if (c >= 0x80 && c < 0xA0 && !kHigh[c - 0x80])
    return c;
  return -1;
}

unsigned char Lower(unsigned char b) {
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
    return static_cast<unsigned char>(b + 0x20);
  switch (b) {
  case 0x8A:
    return 0x9A; // S caron
  case 0x8C:
    return 0x9C; // OE
  case 0x8E:
    return 0x9E; // Z caron
  case 0x9F:
    return 0xFF; // Y diaeresis
  default:
    return b;
  }
}

unsigned char Upper(unsigned char b) {
  if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
    return static_cast<unsigned char>(b - 0x20);
  switch (b) {
  case 0x9A:
    return 0x8A;
  case 0x9C:
    return 0x8C;
  case 0x9E:
    return 0x8E;
  case 0xFF:
    return 0x9F;
  default:
    return b;
  }
}

} // namespace

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char ch : text)
    out.push_back(ByteToWide(static_cast<unsigned char>(ch)));
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
      ++i; // a surrogate pair is one character without an ANSI form
    int b = WideToByte(c);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

void AnsiLowerInPlace(char* text, std::size_t length) noexcept {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(Lower(static_cast<unsigned char>(text[i])));
}

void AnsiUpperInPlace(char* text, std::size_t length) noexcept {
  for (std::size_t i = 0; i < length; ++i)
    text[i] = static_cast<char>(Upper(static_cast<unsigned char>(text[i])));
}

} // namespace platform
