#include "settings/utf8_text.h"

#include "platform/codepage.h"

#include <cstdint>

namespace settings {

bool IsValidUtf8(std::string_view bytes) noexcept {
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t need;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      if (b == 0xE0)
        low = 0xA0; // overlong
      else if (b == 0xED)
        high = 0x9F; // surrogate halves
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      if (b == 0xF0)
        low = 0x90; // overlong
      else if (b == 0xF4)
        high = 0x8F; // above U+10FFFF
    } else {
      return false;
    }
    if (bytes.size() - i - 1 < need)
      return false;
    auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < low || second > high)
      return false;
    for (std::size_t k = 2; k <= need; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
        return false;
    i += need + 1;
  }
  return true;
}

std::string AnsiToUtf8(std::string_view text) {
  return platform::WideToUtf8(platform::AnsiToWide(text));
}

std::string Utf8ToAnsiOrBytes(std::string_view bytes) {
  if (!IsValidUtf8(bytes))
    return std::string(bytes);
  return platform::WideToAnsi(platform::Utf8ToWide(bytes));
}

std::u16string Utf8ToWideOrBytes(std::string_view bytes) {
  if (!IsValidUtf8(bytes))
    return platform::AnsiToWide(bytes);
  return platform::Utf8ToWide(bytes);
}

} // namespace settings
