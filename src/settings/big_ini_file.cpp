#include "settings/big_ini_file.h"

#include "rtl/trim.h"
#include "settings/big_ini_file_io.h"
#include "settings/big_ini_file_text.h"
#include "settings/big_ini_file_values.h"
#include "settings/stream_reader.h"

#include <string_view>
#include <unordered_set>

namespace {

// Files are read in chunks of this size.
constexpr std::size_t kReadBufferSize = 4096;

// Keys are matched without their outer blanks, as the names of the lines they are compared with
// are. A key written with blanks around it is thus found again by the same key, instead of
// adding a new line on every write.
std::string_view KeyName(const std::string& key) {
  return rtl::Trim(key);
}

void CheckSectionName(const std::string& section) {
  if (section.find_first_of("\r\n") != std::string::npos)
    throw EIniLineError("The section name \"" + section + "\" holds a line break");
}

} // namespace

TBigIniFile::TBigIniFile(const std::string& fileName) : fileName_(fileName) {
  if (fileName_.empty())
    return;
  std::unique_ptr<ini_io::TFileReadStream> file = ini_io::TFileReadStream::Open(fileName_);
  if (!file)
    return; // a missing file is an empty one; the first change creates it
  Load(*file);
  // A read that broke off must not pass for a shorter file: writing that back would lose the
  // rest of it.
  if (!file->ReadError().empty())
    throw EFOpenError("Cannot open file \"" + fileName_ + "\". " + file->ReadError());
}

TBigIniFile::TBigIniFile(std::istream& source) {
  Load(source);
}

TBigIniFile::~TBigIniFile() {
  try {
    UpdateFile();
  } catch (...) {
    // Nothing may leave a destructor; callers that must know call UpdateFile themselves.
  }
}

void TBigIniFile::Load(std::istream& source) {
  TStreamReader reader(&source, false, kReadBufferSize);
  std::unordered_set<std::string> seenSections;
  TSectionValues* current = nullptr; // null before the first header and inside a repeated section
  while (!reader.EndOfStream()) {
    std::string line = reader.ReadLine();
    if (line.empty() || line == "\x1A")
      continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      std::string name = line.substr(1, line.size() - 2);
      // The first of several sections with the same name wins; the later ones and their lines
      // are dropped, not merged.
      if (seenSections.insert(ini_text::AnsiLowered(name)).second)
        current = &sections_.Values(sections_.AddSection(name));
      else
        current = nullptr;
      continue;
    }
    if (current)
      current->AddReadLine(line);
  }
  sectionIndex_ = 0;
  hasChanged_ = false;
}

TBigIniFile::TKeyPosition TBigIniFile::FindSectionAndKey(const std::string& section,
                                                         const std::string& key,
                                                         bool createSection) {
  TKeyPosition position;
  int32_t index = sections_.Find(section, sectionIndex_);
  if (index < 0) {
    if (!createSection)
      return position;
    index = sections_.AddSection(section);
  }
  sectionIndex_ = index;
  position.Values = &sections_.Values(index);
  position.Line = position.Values->IndexOfName(KeyName(key));
  return position;
}

std::string TBigIniFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) {
  const TKeyPosition position = FindSectionAndKey(section, key, false);
  if (position.Line < 0)
    return defaultValue;
  return std::string(ini_text::LineValue((*position.Values)[position.Line]));
}

int32_t TBigIniFile::ReadInteger(const std::string& section, const std::string& key,
                                 int32_t defaultValue) {
  return ini_values::ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

double TBigIniFile::ReadFloat(const std::string& section, const std::string& key,
                              double defaultValue) {
  return ini_values::ParseFloat(ReadString(section, key, "")).value_or(defaultValue);
}

bool TBigIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) {
  const std::string text = ReadString(section, key, "");
  if (ini_text::SameTextAscii(text, "True"))
    return true;
  if (ini_text::SameTextAscii(text, "False"))
    return false;
  if (const auto number = ini_values::ParseInteger(text))
    return *number != 0;
  return defaultValue;
}

void TBigIniFile::ReadSection(const std::string& section, TStringList& names) {
  const int32_t index = sections_.IndexOfSection(section);
  if (index < 0)
    return;
  const TSectionValues& values = sections_.Values(index);
  for (int32_t i = 0; i < values.Count(); ++i) {
    const std::string_view name = ini_text::LineName(values[i]);
    if (!name.empty())
      names.Add(name);
  }
}

void TBigIniFile::ReadSections(TStringList& names) const {
  names.Clear();
  for (int32_t i = 0; i < sections_.Count(); ++i)
    names.Add(sections_[i]);
}

void TBigIniFile::ReadSectionValues(const std::string& section, TStringList& values) {
  const int32_t index = sections_.IndexOfSection(section);
  if (index < 0)
    return;
  const TSectionValues& lines = sections_.Values(index);
  for (int32_t i = 0; i < lines.Count(); ++i) {
    const std::string_view name = ini_text::LineName(lines[i]);
    if (!name.empty())
      values.Add(std::string(name) + "=" + std::string(ini_text::LineValue(lines[i])));
  }
}

bool TBigIniFile::SectionExists(const std::string& section) {
  const int32_t index = sections_.IndexOfSection(section);
  if (index < 0)
    return false;
  const TSectionValues& values = sections_.Values(index);
  for (int32_t i = 0; i < values.Count(); ++i)
    if (!ini_text::LineName(values[i]).empty())
      return true;
  return false;
}

bool TBigIniFile::ValueExists(const std::string& section, const std::string& key) {
  // Key as ReadSection lists it (a line without '=' keeps its blanks), or without its outer
  // blanks as the other look-ups take it.
  if (key.empty())
    return false;
  const std::string_view trimmed = KeyName(key);
  const int32_t index = sections_.IndexOfSection(section);
  if (index < 0)
    return false;
  const TSectionValues& values = sections_.Values(index);
  for (int32_t i = 0; i < values.Count(); ++i) {
    const std::string_view name = ini_text::LineName(values[i]);
    if (!name.empty() &&
        (ini_text::SameTextAscii(name, key) || ini_text::SameTextAscii(name, trimmed)))
      return true;
  }
  return false;
}

void TBigIniFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  if (key.empty()) {
    if (!section.empty() || !value.empty())
      EraseSection(section);
    else
      UpdateFile();
    return;
  }
  const std::string line = key + "=" + value;
  CheckSectionName(section);
  if (key.find('=') != std::string::npos || !ini_text::IsStorableLine(line))
    throw EIniLineError("The line \"" + line + "\" cannot be kept in section \"" + section + "\"");
  const TKeyPosition position = FindSectionAndKey(section, key, true);
  if (position.Line < 0) {
    position.Values->AddNewKeyLine(line);
    hasChanged_ = true;
  } else if ((*position.Values)[position.Line] != line) {
    position.Values->ReplaceLine(position.Line, line);
    hasChanged_ = true;
  }
}

void TBigIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TBigIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, ini_values::FormatFloat(value));
}

void TBigIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TBigIniFile::DeleteKey(const std::string& section, const std::string& key) {
  CheckSectionName(section);
  const TKeyPosition position = FindSectionAndKey(section, key, true);
  if (position.Line >= 0) {
    position.Values->DeleteLine(position.Line);
    hasChanged_ = true;
  }
}

void TBigIniFile::EraseSection(const std::string& section) {
  const int32_t index = sections_.IndexOfSection(section);
  if (index < 0)
    return;
  sections_.DeleteSection(index);
  hasChanged_ = true;
}

std::string TBigIniFile::FileText() const {
  std::string text;
  for (int32_t i = 0; i < sections_.Count(); ++i) {
    const TSectionValues& values = sections_.Values(i);
    if (values.Count() == 0)
      continue;
    text += '[';
    text += sections_[i];
    text += "]\r\n";
    for (int32_t j = 0; j < values.Count(); ++j) {
      text += values[j];
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

void TBigIniFile::UpdateFile() {
  if (!hasChanged_)
    return;
  if (!fileName_.empty())
    ini_io::WriteWholeFile(fileName_, FileText());
  hasChanged_ = false;
}
