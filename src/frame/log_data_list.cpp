#include "frame/log_data_list.h"

#include <algorithm>
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

TLogDataList::TTaken TLogDataList::Take() {
  TTaken taken;
  WriteLocked locked(*this);
  TStringList& lines = locked.List();
  const int32_t count = lines.Count();
  taken.Lines.reserve(static_cast<std::size_t>(count));
  taken.Repeats.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    taken.Lines.push_back(lines[i]);
    taken.Repeats.push_back(lines.Data(i));
  }
  lines.Clear();
  return taken;
}

std::string TLogDataList::TTaken::Text() const {
  std::string text;
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    text += Lines[i];
    if (Repeats[i] != 0)
      text.append(" x").append(std::to_string(static_cast<int64_t>(Repeats[i]) + 1));
    text += "\r\n";
  }
  return text;
}

void TLogDataList::PutBack(TTaken taken) {
  if (taken.Empty())
    return;
  WriteLocked locked(*this);
  TStringList& lines = locked.List();
  TStringList merged;
  for (std::size_t i = 0; i < taken.Lines.size(); ++i) {
    merged.Add(taken.Lines[i]);
    merged.SetData(merged.Count() - 1, taken.Repeats[i]);
  }
  int32_t first = 0;
  if (lines.Count() > 0 && lines[0] == taken.Lines.back()) {
    // The same line was logged again while the taken entries were away: one entry counts both.
    const int64_t repeats =
        static_cast<int64_t>(taken.Repeats.back()) + 1 + static_cast<int64_t>(lines.Data(0));
    merged.SetData(merged.Count() - 1, static_cast<intptr_t>(std::min<int64_t>(
                                           repeats, std::numeric_limits<int32_t>::max() - 1)));
    first = 1;
  }
  // Only the last entry may carry a count: one that is followed by others shows its suffix.
  if (lines.Count() > first)
    FoldLast(merged);
  for (int32_t i = first; i < lines.Count(); ++i) {
    merged.Add(lines[i]);
    merged.SetData(merged.Count() - 1, lines.Data(i));
  }
  lines.Assign(merged);
  TrimToLimit(lines);
}
