// The text rules of the language files: how an interface text becomes the key of an entry
// (control characters as "%XX", "&" as the keyboard accelerator) and how a translation becomes an
// interface text again, and the character sets a language file may name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace support {

/// The keys of one interface text.
struct TEncodedKey {
  std::u16string Key;        // control characters coded, accelerators kept
  std::u16string KeyNoAccel; // the same without the accelerator marks
  bool HasAccel = false;
  bool HasControl = false;
};

/// Codes each character below 32 as "%" and two upper-case hexadecimal digits; a single "&"
/// marks the accelerator (kept in Key only), "&&" is a literal ampersand, after which every "&"
/// counts as literal.
TEncodedKey EncodeKey(std::u16string_view text);
/// With DecodeControl, "%XX" becomes the character XX; with StripAccel, a single "&" is dropped
/// and "&&" stays as it is.
std::u16string DecodeText(std::u16string_view text, bool stripAccel, bool decodeControl);

/// True when Text holds a character that is worth translating: an ASCII letter or any character
/// above 127 (digits, punctuation, blanks and control characters alone are not).
bool HasTranslatableChar(std::u16string_view text) noexcept;

/// The font character set and the code page of a "Charset=" value (lower-case, such as
/// "windows-1251"); none for an unknown value.
struct TCharsetInfo {
  uint8_t Charset;
  uint32_t CodePage;
};
std::optional<TCharsetInfo> CharsetFromName(std::string_view name) noexcept;

/// True for the East Asian font character sets (Japanese, Korean, Johab, simplified and
/// traditional Chinese), whose fonts the translator enlarges.
bool IsEastAsianCharset(uint8_t charset) noexcept;

/// ASCII letters lowered, every other byte kept.
std::string AsciiLower(std::string_view text);

} // namespace support
