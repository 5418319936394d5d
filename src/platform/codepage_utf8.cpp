// UTF-8 conversion does not depend on the system, so both platforms share it.
#include "platform/codepage.h"

#include <cstdint>

namespace platform {

void AppendUtf8(std::u16string_view text, std::string& out, LoneSurrogates lone) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF && lone == LoneSurrogates::Replace) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
}

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendUtf8(text, out, LoneSurrogates::Replace);
  return out;
}

std::u16string Utf8ToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    uint32_t c = 0xFFFD;
    std::size_t n = 1;
    if (b < 0x80) {
      c = b;
    } else if (b >= 0xC2 && b <= 0xF4) {
      std::size_t need = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
      uint32_t v = b & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
      std::size_t k = 1;
      for (; k < need && i + k < text.size(); ++k) {
        auto t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80)
          break;
        v = (v << 6) | (t & 0x3F);
      }
      if (k == need && !(need == 3 && (v < 0x800 || (v >= 0xD800 && v <= 0xDFFF))) &&
          !(need == 4 && (v < 0x10000 || v > 0x10FFFF))) {
        c = v;
        n = need;
      } else {
        n = k;
      }
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += n;
  }
  return out;
}

} // namespace platform
