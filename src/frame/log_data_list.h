// The pending host log lines of one instance: a lock-protected string list that folds a line
// repeated at its end into one entry with a repeat count, and keeps at most MaxLines entries.
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

  const int32_t MaxLines;
};
