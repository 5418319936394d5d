// The coding of texts kept in the settings storage. Stored text is 7-bit: the text's UTF-8 bytes
// with '%' escapes for control characters, '+', '%' and every non-ASCII byte, and '+' for the
// blanks that an INI file would otherwise lose when it trims its values.
//
//   "a b"      -> "a b"          "  a  b" -> "++a+ b"     "x+y" -> "x%2By"
//   "50%"      -> "50%%"         CR LF    -> "%0D%0A"     "é"   -> "%C3%A9"
//
// Decoding accepts every text: a '%' that starts no escape is kept, and a text that is not UTF-8
// after unescaping (or that was never coded at all and holds 8-bit characters) is taken byte for
// byte.
#pragma once

#include <string>
#include <string_view>

/// Codes an 8-bit text in the system code page for storage.
std::string EncodeStoredText(std::string_view text);
/// The 8-bit text in the system code page that a stored text stands for.
std::string DecodeStoredText(std::string_view stored);

/// Codes a wide text for storage; the same coding, without the detour through the code page.
std::string EncodeStoredWideText(std::u16string_view text);
/// The wide text that a stored text stands for.
std::u16string DecodeStoredWideText(std::string_view stored);
