#include "settings_file.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define HOSTSIM_PID() _getpid()
#else
#include <unistd.h>
#define HOSTSIM_PID() getpid()
#endif

namespace hostsim {

std::string SettingsSectionName(std::string_view prefix) {
  std::string x(prefix);
  const bool bare = !x.empty() && (x.back() == '\\' || x.back() == '/');
  if (bare)
    x.pop_back();
  // The module's keys carry no sub-path; a prefix that is not bare gets the "Common" section.
  std::string section = bare ? x : x.empty() ? "Common" : x + ".Common";
  for (char& c : section)
    if (c == '\\')
      c = '.';
  return section;
}

std::string EncodeStoredText(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  bool onlyBlanksBefore = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == ' ') {
      const bool nextIsBlank = i + 1 < text.size() && text[i + 1] == ' ';
      const bool last = i + 1 == text.size();
      out.push_back(onlyBlanksBefore || nextIsBlank || last ? '+' : ' ');
      continue;
    }
    onlyBlanksBefore = false;
    if (c == '%') {
      out += "%%";
    } else if (c >= 0x20 && c <= 0x7F && c != '+') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

namespace {

// A number as the store writes a floating-point key: up to 15 significant digits.
std::string StoredNumber(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

const char* StoredBool(bool value) {
  return value ? "True" : "False";
}

} // namespace

std::string SettingsIniText(const GeneratedSettings& settings, std::string_view prefix) {
  std::string text = "[" + SettingsSectionName(prefix) + "]\r\n";
  for (std::size_t i = 0; i < 8; ++i)
    text += "Var" + std::to_string(i + 1) + "=" +
            (i < settings.vars.size() ? EncodeStoredText(settings.vars[i]) : "") + "\r\n";
  text += "Timeout=" + StoredNumber(settings.timeoutMs) + "\r\n";
  text += std::string("No reset=") + StoredBool(settings.noReset) + "\r\n";
  text += std::string("Release partial rows=") + StoredBool(settings.partial) + "\r\n";
  text += "Age limit=" + StoredNumber(settings.ageLimitMs) + "\r\n";
  text += "Value lifetime=" + StoredNumber(settings.lifetimeMs) + "\r\n";
  text += "Group by=" + EncodeStoredText(settings.groupBy) + "\r\n";
  text += "Max groups=" + StoredNumber(settings.maxGroups) + "\r\n";
  for (std::size_t i = 0; i < settings.merges.size(); ++i)
    if (!settings.merges[i].empty() && settings.merges[i] != "Last")
      text += "Merge" + std::to_string(i + 1) + "=" + EncodeStoredText(settings.merges[i]) + "\r\n";
  if (settings.separator)
    text += "Merge separator=" + EncodeStoredText(*settings.separator) + "\r\n";
  if (!settings.timeVar.empty())
    text += "Time variable=" + EncodeStoredText(settings.timeVar) + "\r\n";
  if (settings.timeJumpMs != 0)
    text += "Time jump limit=" + StoredNumber(settings.timeJumpMs) + "\r\n";
  text += "\r\n";
  return text;
}

TemporaryFile::~TemporaryFile() {
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
}

bool TemporaryFile::Create(std::string_view contents, std::string& error) {
  static std::atomic<unsigned> counter{0};
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) {
    error = "no temporary folder: " + ec.message();
    return false;
  }
  const std::filesystem::path file = folder / ("hostsim-" + std::to_string(HOSTSIM_PID()) + "-" +
                                               std::to_string(counter++) + ".ini");
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  out.close();
  if (!out) {
    error = "cannot write " + file.string();
    std::filesystem::remove(file, ec);
    return false;
  }
  path_ = file.string();
  return true;
}

} // namespace hostsim
