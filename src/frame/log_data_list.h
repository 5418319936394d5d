// The pending host log lines of one instance: a lock-protected string list that folds a line
// repeated at its end into one entry with a repeat count, and keeps at most MaxLines entries.
//
// The repeat count of an entry is kept in the string list's data beside the line: 0 means the
// line occurred once. A count stays invisible until the entry is followed by a different line or
// the text is taken; then the entry's text gets the suffix " x<count + 1>" and its count goes
// back to 0, so that a line read twice reads the same both times.
#pragma once

#include "data/thread_string_list.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TLogDataList : public TThreadStringList {
public:
  explicit TLogDataList(int32_t maxLines = 1024) : MaxLines(maxLines) {}

  /// Appends Line, or counts it again when it equals the last entry; drops the oldest entries
  /// beyond MaxLines.
  void AddLine(std::string_view line);
  /// All entries, each followed by CR LF; a repeated last entry gets its " xN" suffix once.
  std::string GetText();
  /// Entries taken out of the list to be sent, with their repeat counts as they stood.
  struct TTaken {
    std::vector<std::string> Lines;
    std::vector<intptr_t> Repeats;
    bool Empty() const { return Lines.empty(); }
    /// What GetText would have answered for these entries.
    std::string Text() const;
  };
  /// Takes all entries out, unchanged (a repeated last entry keeps its count).
  TTaken Take();
  /// Puts entries taken out with Take back, as they were, in front of the entries added since;
  /// when the first of those repeats the last taken entry, the two fold into one. Then drops
  /// the oldest entries beyond MaxLines.
  void PutBack(TTaken taken);

  const int32_t MaxLines;

private:
  /// Gives the last entry its " xN" suffix when it has a repeat count. Caller holds the lock.
  static void FoldLast(TStringList& lines);
  void TrimToLimit(TStringList& lines) const;
};
