#include "support/language_file.h"

#include "platform/codepage.h"
#include "platform/file_read.h"
#include "platform/thread_locale.h"
#include "rtl/hex_digits.h"
#include "rtl/trim.h"
#include "settings/big_ini_file.h"
#include "support/language_text.h"

#include <sys/stat.h>

#include <sstream>

namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

/// The directive's value: the text after the first '=', trimmed, ASCII letters lowered.
std::string DirectiveValue(std::string_view line) {
  const std::size_t eq = line.find('=');
  return support::AsciiLower(rtl::Trim(line.substr(eq + 1)));
}

/// A decimal number, or hexadecimal after "0x" or "$"; 0 when it does not parse.
uint32_t ParseLocale(const std::string& value) {
  std::string digits = value;
  int base = 10;
  if (digits.rfind("0x", 0) == 0) {
    digits = digits.substr(2);
    base = 16;
  } else if (digits.rfind("$", 0) == 0) {
    digits = digits.substr(1);
    base = 16;
  }
  if (digits.empty() || digits.size() > 10)
    return 0;
  uint64_t v = 0;
  for (char c : digits) {
    const int d = base == 16 ? rtl::HexDigitValue(c) : c >= '0' && c <= '9' ? c - '0' : -1;
    if (d < 0)
      return 0;
    v = v * base + d;
  }
  return v > 0x7FFFFFFF ? 0 : static_cast<uint32_t>(v);
}

/// Blanks (character 32 only) removed at both ends.
std::string_view StripBlanks(std::string_view line) {
  std::size_t b = 0, e = line.size();
  while (b < e && line[b] == ' ')
    ++b;
  while (e > b && line[e - 1] == ' ')
    --e;
  return line.substr(b, e - b);
}

} // namespace

bool LanguageFileExists(const std::string& fileName) {
  struct stat info {};
  return !fileName.empty() && ::stat(fileName.c_str(), &info) == 0 && !(info.st_mode & S_IFDIR);
}

TWtranslLanguage::TWtranslLanguage() {
  Collected.CaseSensitive = true;
  Locale = OriginalLocale = platform::CurrentThreadLocale();
}

bool TWtranslLanguage::ApplyDirective(std::string_view line) {
  const std::string_view d = rtl::Trim(line.substr(0, 50));
  if (d == "//filenew") {
    SaveFileMode = tsfNew;
  } else if (d == "//filerewrite") {
    SaveFileMode = tsfRewrite;
  } else if (d == "//fileappend") {
    SaveFileMode = tsfAppend;
  } else if (Contains(d, "Encoding=")) {
    const std::string v = DirectiveValue(d);
    if (v == "utf-8")
      Encoding = 1;
    else if (v == "utf-16")
      Encoding = 2;
    else if (v == "unicode")
      Encoding = 3;
    return true;
  } else if (Contains(d, "BiDiMode=")) {
    const std::string v = DirectiveValue(d);
    if (v == "righttoleft")
      BiDiMode = 1;
    else if (v == "righttoleftnoalign")
      BiDiMode = 2;
    else if (v == "righttoleftreadingonly")
      BiDiMode = 3;
    return true;
  } else if (Contains(d, "Locale=")) {
    if (const uint32_t lcid = ParseLocale(DirectiveValue(d)); lcid > 0) {
      Locale = lcid;
      // The library keeps no number or date formats of its own; the system's functions follow
      // the thread locale by themselves.
      platform::SetCurrentThreadLocale(Locale);
    }
    return true;
  } else if (Contains(d, "Charset=")) {
    if (auto info = support::CharsetFromName(DirectiveValue(d))) {
      Charset = info->Charset;
      CodePage = info->CodePage;
    }
    return true;
  } else if (d == "//saveuntr") {
    SaveMode = tsmUntranslated;
  } else if (d == "//saveuntrobj") {
    SaveMode = tsmUntranslatedWithPath;
  } else if (d == "//saveunused") {
    SaveMode = tsmUnused;
  } else if (d == "//saveall") {
    SaveMode = tsmAll;
  }
  return false;
}

std::u16string TWtranslLanguage::DecodeTranslation(std::string_view value) const {
  if (Encoding == 1)
    return platform::Utf8ToWide(value);
  return platform::CodePageToWide(CodePage, value);
}

void TWtranslLanguage::CloseBlock(TStringList& block, const std::string& source,
                                  TWtranslLanguagesList* resources, const std::string& target,
                                  int32_t& count) {
  const std::string sourcePrefix = source + ":>", targetPrefix = target + ":>";
  std::string key, value;
  for (int32_t i = 0; i < block.Count(); ++i) {
    const std::string& line = block[i];
    if (line.rfind(sourcePrefix, 0) == 0)
      key = line.substr(sourcePrefix.size());
    else if (line.rfind(targetPrefix, 0) == 0)
      value = line.substr(targetPrefix.size());
  }
  block.Clear();
  if (!resources || key.empty() || value.empty())
    return;
  std::u16string text = DecodeTranslation(value);
  const std::string lowered = support::AsciiLower(key);
  if (lowered != key)
    resources->Lower[lowered] = text;
  resources->Exact[key] = std::move(text);
  ++count;
  if (SaveMode == tsmUnused)
    Collected.Add(key);
}

int32_t TWtranslLanguage::LoadLanguageFile(const std::string& fileName, const std::string& source,
                                           TWtranslLanguagesList* resources,
                                           const std::string& target) {
  std::string content;
  if (!ReadLanguageFile(fileName, content)) {
    if (resources)
      resources->Clear();
    return -1;
  }
  return LoadLanguageText(content, source, resources, target);
}

bool TWtranslLanguage::ReadLanguageFile(const std::string& fileName, std::string& content) {
  LastReadError.clear();
  if (!LanguageFileExists(fileName))
    return false;
  std::string error;
  if (platform::ReadWholeFile(fileName, content, error))
    return true;
  LastReadError = error.empty() ? "unknown error" : error;
  return false;
}

int32_t TWtranslLanguage::LoadLanguageText(std::string_view content, const std::string& source,
                                           TWtranslLanguagesList* resources,
                                           const std::string& target) {
  if (resources)
    resources->Clear();
  Encoding = 0;
  Charset = 1;
  CodePage = 0;
  BiDiMode = 0;
  Locale = OriginalLocale;
  platform::SetCurrentThreadLocale(Locale);

  int32_t count = 0;
  int32_t lineNo = 0;
  TStringList block;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find('\n', pos);
    const bool last = end == std::string::npos;
    std::string_view raw(content.data() + pos, (last ? content.size() : end) - pos);
    pos = last ? content.size() : end + 1;
    if (!last && !raw.empty() && raw.back() == '\r')
      raw.remove_suffix(1); // CR LF; a CR alone stays in the line
    ++lineNo;
    const std::string_view line = StripBlanks(raw);
    if (lineNo < 20 && ApplyDirective(line))
      continue;
    if (line.rfind("//", 0) == 0)
      continue;
    if (!line.empty())
      block.Add(line);
    else
      CloseBlock(block, source, resources, target, count);
  }
  // A final block that no empty line closes counts for nothing.
  return count;
}

std::string TWtranslLanguage::GetLanguages(TStringList* list) {
  if (list)
    list->Clear();
  std::string content;
  if (LanguageFile.empty() || !ReadLanguageFile(LanguageFile, content))
    return {};
  std::istringstream text(content);
  TBigIniFile ini(text);
  if (list) {
    TStringList keys;
    ini.ReadSection("Languages", keys);
    for (int32_t i = 0; i < keys.Count(); ++i) {
      const std::string& key = keys[i];
      if (key.rfind('$', 0) != 0)
        continue;
      const std::string description = ini.ReadString("Languages", key, "");
      if (!description.empty())
        list->Add(key.substr(1) + "," + description);
    }
  }
  DefaultLanguage = ini.ReadString("Languages", "Default", "");
  return DefaultLanguage;
}

std::u16string TWtranslLanguage::LookupText(std::u16string_view text,
                                            const TWtranslLanguagesList* resources,
                                            bool& found) const {
  found = false;
  const std::u16string_view t = rtl::Trim(text);
  if (t.empty() || !resources)
    return std::u16string(text);
  const support::TEncodedKey k = support::EncodeKey(t);
  const std::string plain = platform::WideToAnsi(t);
  bool hasAccel = k.HasAccel;
  const std::u16string* value = &TWtranslLanguagesList::Find(resources->Exact, plain);
  if (value->empty())
    value = &TWtranslLanguagesList::Find(resources->Exact, platform::WideToAnsi(k.Key));
  if (value->empty()) {
    value = &TWtranslLanguagesList::Find(resources->Exact, platform::WideToAnsi(k.KeyNoAccel));
    if (!value->empty())
      hasAccel = true;
  }
  if (value->empty()) {
    std::string lowered = plain;
    platform::AnsiLowerInPlace(lowered.data(), lowered.size());
    value = &TWtranslLanguagesList::Find(resources->Lower, lowered);
  }
  if (value->empty())
    return std::u16string(text);
  found = true;
  return support::DecodeText(*value, !hasAccel, k.HasControl);
}
