// Fuzz target for the INI file store: arbitrary bytes are parsed as an INI file from memory, every
// section and key is read back in all forms, values are written and deleted, and the rewrite text
// is checked to parse into itself. The line reader is compared with a plain reference split.
#include "rtl/trim.h"
#include "settings/big_ini_file.h"
#include "settings/big_ini_file_text.h"
#include "settings/big_ini_file_values.h"
#include "settings/stream_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

volatile std::size_t gSink;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
  }
}

std::vector<std::string> ReferenceLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
        ++i;
      lines.push_back(line);
      line.clear();
    } else {
      line += bytes[i];
    }
  }
  if (!line.empty())
    lines.push_back(line);
  return lines;
}

void CheckReader(const std::string& bytes) {
  std::istringstream stream(bytes);
  TStreamReader reader(&stream, false, 128);
  std::vector<std::string> lines;
  while (!reader.EndOfStream())
    lines.push_back(reader.ReadLine());
  Check(lines == ReferenceLines(bytes), "line reader differs from the reference split");
}

std::string Reparsed(const std::string& text) {
  std::istringstream stream(text);
  TBigIniFile again(stream);
  return again.FileText();
}

void ReadEverything(TBigIniFile& ini) {
  TStringList sections;
  ini.ReadSections(sections);
  for (int32_t i = 0; i < sections.Count(); ++i) {
    const std::string section = sections[i];
    TStringList names, values;
    ini.ReadSection(section, names);
    ini.ReadSectionValues(section, values);
    gSink = gSink + static_cast<std::size_t>(ini.SectionExists(section)) +
            static_cast<std::size_t>(values.Count());
    for (int32_t j = 0; j < names.Count(); ++j) {
      const std::string& key = names[j];
      Check(ini.ValueExists(section, key), "a listed name does not exist");
      gSink = gSink + ini.ReadString(section, key, "").size() +
              static_cast<std::size_t>(ini.ReadInteger(section, key, 0)) +
              static_cast<std::size_t>(ini.ReadBool(section, key, false));
      const double number = ini.ReadFloat(section, key, 0);
      gSink = gSink + ini_values::FormatFloat(number).size();
    }
  }
}

// Writes taken from the input itself: its lines in turn give a section, a key and a value.
void WriteFromInput(TBigIniFile& ini, const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i + 2 < lines.size() && i < 64 * 3; i += 3) {
    const std::string& section = lines[i];
    const std::string& key = lines[i + 1];
    const std::string& value = lines[i + 2];
    try {
      switch (value.empty() ? 0 : static_cast<unsigned char>(value[0]) % 4) {
      case 0:
        ini.DeleteKey(section, key);
        break;
      case 1:
        ini.EraseSection(section);
        Check(!ini.SectionExists(section), "an erased section still exists");
        break;
      default:
        ini.WriteString(section, key, value);
        if (!key.empty())
          Check(ini.ReadString(section, key, "\x01") == rtl::Trim(value),
                "a written value does not read back");
        break;
      }
    } catch (const EIniLineError&) {
      // a line that could not be kept is refused and changes nothing
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckReader(bytes);

  std::istringstream stream(bytes);
  TBigIniFile ini(stream);
  const std::string text = ini.FileText();
  Check(Reparsed(text) == text, "the rewrite text does not parse into itself");

  ReadEverything(ini);
  WriteFromInput(ini, ReferenceLines(bytes));
  const std::string written = ini.FileText();
  Check(Reparsed(written) == written, "the text after writes does not parse into itself");
  ReadEverything(ini);

  if (auto number = ini_values::ParseFloat(bytes))
    gSink = gSink + ini_values::FormatFloat(*number).size();
  if (auto number = ini_values::ParseInteger(bytes))
    gSink = gSink + static_cast<std::size_t>(*number);
  gSink = gSink + written.size();
  return 0;
}
