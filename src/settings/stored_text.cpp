#include "settings/stored_text.h"

#include "platform/codepage.h"
#include "rtl/hex_digits.h"
#include "settings/utf8_text.h"

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

// Blanks become '+' where trimming would drop them: at the start of the text, before another
// blank, and as the very last character. A decoder turns every '+' back into a blank.
std::string EncodeUtf8Bytes(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 4);
  bool onlyBlanksSoFar = true;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if (b == ' ') {
      bool nextIsBlank = i + 1 < utf8.size() && utf8[i + 1] == ' ';
      bool last = i + 1 == utf8.size();
      out.push_back(onlyBlanksSoFar || nextIsBlank || last ? '+' : ' ');
      continue;
    }
    onlyBlanksSoFar = false;
    if (b == '%') {
      out += "%%";
    } else if (b >= 0x20 && b <= 0x7F && b != '+') {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back('%');
      out.push_back(kUpperHex[b >> 4]);
      out.push_back(kUpperHex[b & 0x0F]);
    }
  }
  return out;
}

std::string UnescapeBytes(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    char c = stored[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%' && i + 1 < stored.size() && stored[i + 1] == '%') {
      out.push_back('%');
      ++i;
    } else if (c == '%' && i + 2 < stored.size() && rtl::HexDigitValue(stored[i + 1]) >= 0 &&
               rtl::HexDigitValue(stored[i + 2]) >= 0) {
      out.push_back(static_cast<char>(rtl::HexDigitValue(stored[i + 1]) * 16 +
                                      rtl::HexDigitValue(stored[i + 2])));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool HasHighCharacter(std::string_view text) noexcept {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 0x7F)
      return true;
  return false;
}

} // namespace

std::string EncodeStoredText(std::string_view text) {
  if (text.empty())
    return {};
  return EncodeUtf8Bytes(settings::AnsiToUtf8(text));
}

std::string EncodeStoredWideText(std::u16string_view text) {
  return EncodeUtf8Bytes(platform::WideToUtf8(text));
}

std::string DecodeStoredText(std::string_view stored) {
  std::string bytes = UnescapeBytes(stored);
  // An 8-bit character in the stored text means it was never coded by this library: its
  // unescaped bytes are already text in the system code page.
  if (HasHighCharacter(stored))
    return bytes;
  return settings::Utf8ToAnsiOrBytes(bytes);
}

std::u16string DecodeStoredWideText(std::string_view stored) {
  std::string bytes = UnescapeBytes(stored);
  if (HasHighCharacter(stored))
    return platform::AnsiToWide(bytes);
  return settings::Utf8ToWideOrBytes(bytes);
}
