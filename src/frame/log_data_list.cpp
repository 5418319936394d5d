#include "frame/log_data_list.h"

#include <limits>

void TLogDataList::FoldLast(TStringList& lines) {
  const int32_t last = lines.Count() - 1;
  if (last < 0)
    return;
  const intptr_t repeats = lines.Data(last);
  if (repeats == 0)
    return;
  lines.Put(last, lines[last] + " x" + std::to_string(static_cast<int64_t>(repeats) + 1));
  lines.SetData(last, 0);
}

void TLogDataList::TrimToLimit(TStringList& lines) const {
  const int32_t limit = MaxLines > 0 ? MaxLines : 0;
  const int32_t excess = lines.Count() - limit;
  for (int32_t i = 0; i < excess; ++i)
    lines.Delete(0);
}

void TLogDataList::AddLine(std::string_view line) {
  WriteLocked locked(*this);
  TStringList& lines = locked.List();
  const int32_t last = lines.Count() - 1;
  if (last >= 0 && lines[last] == line) {
    // Saturates instead of wrapping: a line repeated that often stays counted as very frequent.
    const intptr_t repeats = lines.Data(last);
    if (repeats < std::numeric_limits<int32_t>::max() - 1)
      lines.SetData(last, repeats + 1);
  } else {
    FoldLast(lines);
    lines.Add(line);
  }
  TrimToLimit(lines);
}

std::string TLogDataList::GetText() {
  WriteLocked locked(*this);
  FoldLast(locked.List());
  return locked->Text();
}

void TLogDataList::Restore(std::string_view taken) {
  TStringList restored;
  restored.SetText(taken);
  if (restored.Count() == 0)
    return;
  WriteLocked locked(*this);
  TStringList& lines = locked.List();
  // The entries added meanwhile keep their repeat counts; the restored lines were folded when
  // they were taken and carry none.
  restored.AddStrings(lines);
  lines.Assign(restored);
  TrimToLimit(lines);
}
