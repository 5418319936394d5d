// How the INI file store reads one line of a section: its name and value parts and the case rules
// by which names are compared.
#pragma once

#include <string>
#include <string_view>

namespace ini_text {

/// The name part of a line: the text before the first '=', trimmed; a line without '=' is all
/// name, untrimmed.
std::string_view LineName(std::string_view line) noexcept;
/// The value part of a line: the text after the first '=', trimmed; empty without '='.
std::string_view LineValue(std::string_view line) noexcept;

/// Equal regardless of case, letters compared by the ANSI code page's rules.
bool SameTextAnsi(std::string_view a, std::string_view b) noexcept;
/// Equal regardless of case for the ASCII letters only.
bool SameTextAscii(std::string_view a, std::string_view b) noexcept;
/// Text lower-cased by the ANSI code page's rules (the key under which names are grouped).
std::string AnsiLowered(std::string_view text);

/// True when Line, written as one line of a section, reads back as that same line: it holds no
/// line break, is not empty (nor the end-of-file mark 0x1A alone) and does not have the form of
/// a section header.
bool IsStorableLine(std::string_view line) noexcept;

} // namespace ini_text
