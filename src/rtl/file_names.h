// File-name parts. Both '\' and '/' separate folders, so that Windows paths and the POSIX
// stand-in's paths split the same way.
#pragma once

#include <string>
#include <string_view>

namespace rtl {

/// The folder part including its trailing separator ("C:\M\x.dll" -> "C:\M\").
std::string ExtractFilePath(std::string_view fileName);
/// The file-name part ("C:\M\x.dll" -> "x.dll").
std::string ExtractFileName(std::string_view fileName);
/// Replaces (or appends) the extension of the file-name part; Ext includes its dot.
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);

} // namespace rtl
