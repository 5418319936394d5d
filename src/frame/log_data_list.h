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

class TLogDataList : public TThreadStringList {
public:
  explicit TLogDataList(int32_t maxLines = 1024) : MaxLines(maxLines) {}

  /// Appends Line, or counts it again when it equals the last entry; drops the oldest entries
  /// beyond MaxLines.
  void AddLine(std::string_view line);
  /// All entries, each followed by CR LF; a repeated last entry gets its " xN" suffix once.
  std::string GetText();
  /// Puts lines taken out with GetText back in front of the entries added since they were
  /// taken, then drops the oldest entries beyond MaxLines.
  void Restore(std::string_view taken);

  const int32_t MaxLines;

private:
  /// Gives the last entry its " xN" suffix when it has a repeat count. Caller holds the lock.
  static void FoldLast(TStringList& lines);
  void TrimToLimit(TStringList& lines) const;
};
