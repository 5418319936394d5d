// Conversions between the system code page and UTF-8 that the stored settings texts and the
// string holder's coded lines share.
#pragma once

#include <string>
#include <string_view>

namespace settings {

/// True when Bytes is well-formed UTF-8: no stray continuation bytes, no overlong forms, no
/// surrogate halves, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes) noexcept;

/// The UTF-8 form of an 8-bit text in the system code page.
std::string AnsiToUtf8(std::string_view text);

/// Well-formed UTF-8 converted to the system code page (characters without an 8-bit form become
/// '?'); anything else is taken byte for byte, so that text that never was UTF-8 survives.
std::string Utf8ToAnsiOrBytes(std::string_view bytes);

/// The same for wide texts: well-formed UTF-8 as UTF-16, anything else read in the system code
/// page.
std::u16string Utf8ToWideOrBytes(std::string_view bytes);

} // namespace settings
