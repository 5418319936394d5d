// The INI file the simulator writes for --vars: the module's settings keys in the section its
// settings store reads for the given section prefix, coded the way the store codes stored text.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct GeneratedSettings {
  std::vector<std::string> vars; // Var1.. in order; missing ones are written empty
  double timeoutMs = 0;
  bool noReset = false;
  bool partial = false;   // "Release partial rows"
  double ageLimitMs = 0;  // "Age limit"
  double lifetimeMs = 0;  // "Value lifetime"
  std::string groupBy;    // "Group by"
  double maxGroups = 256; // "Max groups"
  /// "Merge1".."Merge8", by the place of the variable; "Last" and empty are the module's
  /// default and write no key, as the module stores them.
  std::array<std::string, 8> merges;
  std::optional<std::string> separator; // "Merge separator"; unset writes no key
  std::string timeVar;                  // "Time variable"; empty writes no key
  double timeJumpMs = 0;                // "Time jump limit"; 0 writes no key
};

/// The section in which the module keeps its keys for a host's section prefix: "Common" without a
/// prefix, "P.Common" with one, "P" for a prefix ending in '\' or '/'; '\' becomes '.'.
std::string SettingsSectionName(std::string_view prefix);

/// A text as the settings store keeps it: 7-bit, leading, doubled and final blanks as '+' (an
/// INI file trims its values), '%' as "%%", '+', control bytes and bytes from 0x80 up as %XX. The
/// bytes are taken as UTF-8.
std::string EncodeStoredText(std::string_view text);

/// The whole INI file text, CR LF line ends.
std::string SettingsIniText(const GeneratedSettings& settings, std::string_view prefix);

/// A file in the temporary folder that is removed when this object goes.
class TemporaryFile {
public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  /// Creates the file with Contents; on failure answers false and sets Error.
  bool Create(std::string_view contents, std::string& error);
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

} // namespace hostsim
