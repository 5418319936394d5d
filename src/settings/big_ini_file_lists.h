// The in-memory form of an INI file: one list of sections, each holding its lines exactly as they
// were read. Both lists start each search at their previous hit and wrap around, so that reading
// a section's keys, or sections, in file order costs one comparison per look-up.
#pragma once

#include "rtl/string_list.h"

#include <cstdint>
#include <string_view>

/// A string list that remembers where its last search succeeded and starts the next one there.
class TStringListEx : public TStringList {
protected:
  /// Index of the first line from the last hit on (wrapping to the start) for which Match holds,
  /// or -1 after every line was visited once. A hit becomes the next starting point.
  template <class Match> int32_t FindFromLastHit(Match match) {
    const int32_t count = Count();
    if (lastHit_ < 0 || lastHit_ >= count)
      lastHit_ = 0;
    for (int32_t n = 0, i = lastHit_; n < count; ++n, i = (i + 1 == count ? 0 : i + 1))
      if (match((*this)[i])) {
        lastHit_ = i;
        return i;
      }
    return -1;
  }

  int32_t lastHit_ = 0;
};

/// The lines of one section in file order, each as read, without its line break.
class TSectionValues : public TStringListEx {
public:
  /// Index of the first line whose name equals Key regardless of case (ANSI rules), or -1.
  /// Later lines with the same name are never reached.
  int32_t IndexOfName(std::string_view key);
  /// Appends a line read from the file.
  void AddReadLine(std::string_view line);
  /// Appends a line whose name IndexOfName has just reported missing.
  void AddNewKeyLine(std::string_view line);
  /// Replaces line Index by one with the same name (regardless of case).
  void ReplaceLine(int32_t index, std::string_view line) { Put(index, line); }
  void DeleteLine(int32_t index) { Delete(index); }

private:
  enum class TNameSet { nsUnknown, nsUnique, nsDuplicates };
  // Whether some name occurs twice. Only then can a search that starts at the last hit meet a
  // later duplicate first, so only then does a look-up scan from the first line.
  TNameSet names_ = TNameSet::nsUnknown;
};

/// The sections of a file in file order: each entry is the section's name as written between the
/// brackets, with its TSectionValues as the entry's object, owned by this list.
class TSectionList : public TStringListEx {
public:
  TSectionList() = default;
  ~TSectionList() override;

  /// Appends an empty section named Name and answers its index.
  int32_t AddSection(std::string_view name);
  /// Removes section Index with all its lines.
  void DeleteSection(int32_t index);
  /// Removes every section.
  void Clear() noexcept;
  TSectionValues& Values(int32_t index) const;

  /// Index of the section named Name regardless of case, searching from Start on and wrapping
  /// around; -1 when there is none.
  int32_t Find(std::string_view name, int32_t start) const;
  /// The same search from this list's own last hit, which it then moves to the found section.
  int32_t IndexOfSection(std::string_view name);
};
