// Language files: plain-text files that give the interface texts of the library in other
// languages, and the state a translator keeps while it reads one.
//
// A file holds blocks of non-empty lines, each closed by an empty line. A line "XX:>text" gives
// the text in language XX; within a block the line of the source language is the key and the
// line of the target language its translation. Lines starting with "//" are comments; lines 1
// to 19 may carry directives (encoding, reading order, locale, character set, analysis modes).
// A "[Languages]" section, read as an INI section, lists the languages and the default one.
//
// The analysis modes record texts while translating (those without translation, or the
// translations never used) and write them into a new language file beside the real one when the
// translator goes away.
#pragma once

#include "rtl/published.h"
#include "rtl/string_list.h"
#include "support/language_resources.h"

#include <cstdint>
#include <string>
#include <string_view>

/// The analysis modes (SaveMode).
enum TTranslSaveMode : uint8_t {
  tsmOff = 0,
  tsmUntranslated = 1,
  tsmAll = 2,
  tsmUnused = 3,
  tsmUntranslatedWithPath = 4
};

/// How the analysis file is written (SaveFileMode).
enum TTranslSaveFileMode : uint8_t { tsfNew = 0, tsfRewrite = 1, tsfAppend = 2 };

/// The language state of a translator and the operations on language files.
class TWtranslLanguage {
public:
  TWtranslLanguage();
  virtual ~TWtranslLanguage() = default;

  /// Reads FileName into Resources (cleared first; may be null to read the directives only),
  /// taking keys from the lines of Source and translations from the lines of Target. Answers the
  /// number of entries read, or -1 when the file is missing or unreadable.
  int32_t LoadLanguageFile(const std::string& fileName, const std::string& source,
                           TWtranslLanguagesList* resources, const std::string& target);
  /// The same for the content of a language file already in memory.
  int32_t LoadLanguageText(std::string_view content, const std::string& source,
                           TWtranslLanguagesList* resources, const std::string& target);
  /// Lists "code,description" of every language of the file's [Languages] section in List (when
  /// given; cleared first) and answers the default language; empty without a file or when the
  /// file cannot be read (LastReadError then tells why).
  std::string GetLanguages(TStringList* list);
  /// The translation of Text, or Text itself with Found false.
  std::u16string LookupText(std::u16string_view text, const TWtranslLanguagesList* resources,
                            bool& found) const;
  /// The analysis step for one text: records it as SaveMode asks and clears DoDefault, so that
  /// the interface keeps its source texts while an analysis mode is on.
  void Record(std::u16string_view text, const TObject* obj, PPropInfo prop, bool found,
              bool& doDefault);
  /// Writes the recorded texts into the analysis file; failures are swallowed.
  void SaveCollected() noexcept;

  std::string LanguageFile = "app.lng";
  uint8_t Charset = 1;
  uint32_t CodePage = 0;
  uint8_t BiDiMode = 0;
  uint8_t Encoding = 0;
  uint32_t Locale = 0;
  uint32_t OriginalLocale = 0;
  uint8_t SaveMode = tsmOff;
  uint8_t SaveFileMode = tsfNew;
  TStringList Collected;
  std::string SourceLanguage;
  std::string TargetLanguage;
  std::string DefaultLanguage;
  /// The system's reason why the last LoadLanguageFile or GetLanguages could not read a language
  /// file that exists; empty after a read that succeeded or found no file.
  std::string LastReadError;

private:
  /// Applies a directive of lines 1 to 19; true when the line is consumed by it. Directive names
  /// count only as written ("//saveuntr", "Encoding="): "//SAVEUNTR" is a comment, and a
  /// translation holding "encoding=" stays a translation. Values are compared in lower case.
  bool ApplyDirective(std::string_view line);
  /// Reads the whole of an existing language file; false without one or when the read fails,
  /// with LastReadError set in the second case.
  bool ReadLanguageFile(const std::string& fileName, std::string& content);
  void CloseBlock(TStringList& block, const std::string& source, TWtranslLanguagesList* resources,
                  const std::string& target, int32_t& count);
  std::u16string DecodeTranslation(std::string_view value) const;
};

/// True when FileName names an existing file (not a folder).
bool LanguageFileExists(const std::string& fileName);
