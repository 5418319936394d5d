// The coding of the string holder's StrData items.
#include "settings/string_holder.h"

#include "rtl/hex_digits.h"
#include "settings/utf8_text.h"

namespace {

constexpr char kLowerHex[] = "0123456789abcdef";
// Version 0 items are short strings: lines and key are cut to this length.
constexpr std::size_t kShortStringLength = 255;

void Scramble(std::string& bytes, std::string_view key) noexcept {
  if (key.empty())
    return;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(bytes[i] ^ key[i % key.size()]);
}

// Version 2: pairs of digits of either case. A bad high digit counts as 0, a bad low digit makes
// the byte a blank, and a digit left over at the end is dropped.
std::string DecodeVersion2(std::string_view item, std::string_view key) {
  std::string bytes;
  bytes.reserve(item.size() / 2);
  for (std::size_t i = 0; i + 1 < item.size(); i += 2) {
    int high = rtl::HexDigitValue(item[i]);
    int low = rtl::HexDigitValue(item[i + 1]);
    if (low < 0)
      bytes.push_back(' ');
    else
      bytes.push_back(static_cast<char>((high < 0 ? 0 : high) * 16 + low));
  }
  Scramble(bytes, settings::AnsiToUtf8(key));
  return settings::Utf8ToAnsiOrBytes(bytes);
}

// Version 1: a pair of digits per character, a blank for a pair that is not hexadecimal, and the
// key's 8-bit characters as they are.
std::string DecodeVersion1(std::string_view item, std::string_view key) {
  std::string line;
  line.reserve(item.size() / 2);
  for (std::size_t i = 0; i + 1 < item.size(); i += 2) {
    int high = rtl::HexDigitValue(item[i]);
    int low = rtl::HexDigitValue(item[i + 1]);
    line.push_back(high < 0 || low < 0 ? ' ' : static_cast<char>(high * 16 + low));
  }
  Scramble(line, key);
  return line;
}

// Version 0: the line itself, scrambled character by character, as a short string.
std::string DecodeVersion0(std::string_view item, std::string_view key) {
  std::string line(item.substr(0, kShortStringLength));
  Scramble(line, key.substr(0, kShortStringLength));
  return line;
}

} // namespace

std::string TzetStrHolder::EncodeLine(std::string_view line, std::string_view key) {
  std::string bytes = settings::AnsiToUtf8(line);
  Scramble(bytes, settings::AnsiToUtf8(key));
  std::string item;
  item.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    item.push_back(kLowerHex[b >> 4]);
    item.push_back(kLowerHex[b & 0x0F]);
  }
  return item;
}

std::string TzetStrHolder::DecodeLine(std::string_view item, std::string_view key,
                                      int32_t version) {
  if (version >= 2)
    return DecodeVersion2(item, key);
  if (version == 1)
    return DecodeVersion1(item, key);
  return DecodeVersion0(item, key);
}
