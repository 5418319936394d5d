// Text conversion between the system's 8-bit code page (ANSI), UTF-16 and UTF-8, and the ANSI
// lower-casing that parameter lists use for their name searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToWide(std::string_view text);
/// Characters without an ANSI form become '?'.
std::string WideToAnsi(std::u16string_view text);
std::string WideToUtf8(std::u16string_view text);
/// What AppendUtf8 makes of a surrogate without its pair: U+FFFD, or a sequence of its own (as
/// in WTF-8), which keeps two texts that differ only there apart.
enum class LoneSurrogates { Replace, Keep };
/// Appends Text to Out in UTF-8.
void AppendUtf8(std::u16string_view text, std::string& out, LoneSurrogates lone);
/// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToWide(std::string_view text);
/// Decodes 8-bit text of the Windows code page CodePage (0: the system's ANSI code page, as
/// AnsiToWide). Bytes that the code page does not define become U+FFFD (or the system's default
/// character); an unknown code page decodes as the ANSI code page.
std::u16string CodePageToWide(uint32_t codePage, std::string_view text);

/// Lower-cases Length bytes in place with the ANSI code page's rules (CharLowerBuffA on Windows).
void AnsiLowerInPlace(char* text, std::size_t length) noexcept;
/// Upper-cases in place with the same rules (CharUpperBuffA on Windows).
void AnsiUpperInPlace(char* text, std::size_t length) noexcept;

} // namespace platform
