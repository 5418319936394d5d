// The INI file store: a whole INI file kept in memory. The file is parsed once when the object is
// created; every read and write is answered from memory; the whole file is written back once,
// by UpdateFile or when the object is destroyed, and only when its content changed.
//
// Lines are kept as they were read and matched by their name part (the text before the first
// '=', trimmed). A section whose name repeats an earlier one (regardless of case) is dropped with
// its lines when the file is read. Rewriting normalises the layout: every section is written as
// "[name]", its lines and one empty line, every line ending in CR LF; sections without lines and
// lines before the first section header are not written.
//
// Writing replaces the file in one step (a complete temporary copy beside it is moved into its
// place), so a reader in another process sees the old file or the new one, never a part.
//
// One object is used by one thread; callers serialise users of one file (the settings store holds
// its INI lock from before the file is read until after it is written back).
#pragma once

#include "rtl/object.h"
#include "rtl/string_list.h"
#include "settings/big_ini_file_errors.h"
#include "settings/big_ini_file_lists.h"

#include <cstdint>
#include <istream>
#include <string>

class TBigIniFile : public TObject {
public:
  /// Parses FileName when it is not empty and the file exists; otherwise starts empty. Raises
  /// EFOpenError when the file exists but cannot be opened or read.
  explicit TBigIniFile(const std::string& fileName);
  /// Parses the text of Source; the object has no file name, so nothing is ever written.
  explicit TBigIniFile(std::istream& source);
  /// Writes pending changes as UpdateFile does. A failure cannot be reported from here and is
  /// dropped: callers that need to know call UpdateFile first.
  ~TBigIniFile() override;

  /// The value of the key's line (the trimmed text after its first '='); Default when the section
  /// or the key is missing. Keys are compared regardless of case, without their outer blanks.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue);
  /// The value as a decimal or hexadecimal ("0x1F", "$1F") integer; Default when it is missing or
  /// does not parse.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue);
  /// The value as a number with '.' or ',' as decimal separator; Default when it is missing or
  /// does not parse.
  double ReadFloat(const std::string& section, const std::string& key, double defaultValue);
  /// True for a non-zero integer or "True", False for zero or "False" (case ignored); Default
  /// otherwise.
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue);

  /// Appends the names of the section's lines in order, leaving out empty names.
  void ReadSection(const std::string& section, TStringList& names);
  /// Replaces Names by the names of all sections in order.
  void ReadSections(TStringList& names) const;
  /// Appends "name=value" for each line of the section with a non-empty name.
  void ReadSectionValues(const std::string& section, TStringList& values);
  /// True when ReadSection would list at least one name.
  bool SectionExists(const std::string& section);
  /// True when ReadSection would list Key, or Key without its outer blanks (ASCII letters
  /// compared regardless of case).
  bool ValueExists(const std::string& section, const std::string& key);

  /// Sets the key's line to Key + "=" + Value, appending it (and the section) when missing. An
  /// identical line changes nothing. An empty Key erases the section when Section or Value is
  /// not empty and otherwise runs UpdateFile. Raises EIniLineError when the line could not be
  /// read back as written (a line break anywhere, a '=' in Key, or a line of the form "[...]").
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  /// Writes the general form with up to 15 significant digits and '.' as decimal separator.
  void WriteFloat(const std::string& section, const std::string& key, double value);
  /// Writes "1" or "0".
  void WriteBool(const std::string& section, const std::string& key, bool value);

  /// Removes the key's line.
  void DeleteKey(const std::string& section, const std::string& key);
  /// Removes the section with all its lines.
  void EraseSection(const std::string& section);

  /// Writes the file when the content changed and a file name is set, then clears HasChanged.
  /// Raises EFCreateError when the file could not be written; the file on disk is then left as
  /// it was and HasChanged stays set.
  void UpdateFile();
  /// The text UpdateFile writes.
  std::string FileText() const;

  /// Forgets the changes not yet written: the file on disk stays as it is, also when the object
  /// is destroyed. The content in memory is kept.
  void DiscardChanges() noexcept { hasChanged_ = false; }

  bool HasChanged() const noexcept { return hasChanged_; }
  const std::string& FileName() const noexcept { return fileName_; }

private:
  struct TKeyPosition {
    TSectionValues* Values = nullptr; // null when the section is missing
    int32_t Line = -1;                // -1 when the key is missing
  };

  void Load(std::istream& source);
  /// Finds the section (from the section found last, wrapping around) and the key's line in it;
  /// CreateSection appends a missing section and makes it the next starting point.
  TKeyPosition FindSectionAndKey(const std::string& section, const std::string& key,
                                 bool createSection);

  bool hasChanged_ = false;
  std::string fileName_;
  int32_t sectionIndex_ = 0;
  TSectionList sections_;
};
