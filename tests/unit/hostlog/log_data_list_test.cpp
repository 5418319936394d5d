#include "frame/log_data_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(TLogDataList& list) {
  TThreadStringList::ReadLocked locked(list);
  std::vector<std::string> lines;
  for (int32_t i = 0; i < locked->Count(); ++i)
    lines.push_back(locked->Strings(i));
  return lines;
}

TEST(LogDataList, RepeatedLinesFoldIntoOneEntryWithItsCount) {
  TLogDataList list;
  for (const char* line : {"A", "A", "A", "B", "a", "a", "B"})
    list.AddLine(line);
  // The comparison is exact: "a" is not "A".
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"A x3", "B", "a x2", "B"}));
  EXPECT_EQ(list.GetText(), "A x3\r\nB\r\na x2\r\nB\r\n");
}

TEST(LogDataList, FoldedLastLineReadsTheSameEachTimeItIsTaken) {
  TLogDataList list;
  list.AddLine("A");
  list.AddLine("A");
  EXPECT_EQ(list.GetText(), "A x2\r\n");
  EXPECT_EQ(list.GetText(), "A x2\r\n");
  // After the suffix is written the entry no longer equals the bare line.
  list.AddLine("A");
  EXPECT_EQ(list.GetText(), "A x2\r\nA\r\n");
}

TEST(LogDataList, KeepsTheNewestLinesUpToItsLimit) {
  TLogDataList list;
  EXPECT_EQ(list.MaxLines, 1024);
  for (int i = 0; i < 1030; ++i)
    list.AddLine("line " + std::to_string(i));
  const std::vector<std::string> lines = Lines(list);
  ASSERT_EQ(lines.size(), 1024u);
  EXPECT_EQ(lines.front(), "line 6");
  EXPECT_EQ(lines.back(), "line 1029");

  // Repeats take no room.
  TLogDataList repeats(3);
  for (int i = 0; i < 5000; ++i)
    repeats.AddLine("same");
  EXPECT_EQ(repeats.GetText(), "same x5000\r\n");
}

TEST(LogDataList, TakenEntriesComeBackAsTheyWere) {
  TLogDataList list(4);
  list.AddLine("old 1");
  list.AddLine("old 2");
  list.AddLine("old 2");
  TLogDataList::TTaken taken = list.Take();
  EXPECT_EQ(taken.Text(), "old 1\r\nold 2 x2\r\n");
  EXPECT_EQ(list.Count(), 0);
  // Put back alone, the repeated last entry still counts: the next equal line folds into it.
  list.PutBack(taken);
  list.AddLine("old 2");
  EXPECT_EQ(list.GetText(), "old 1\r\nold 2 x3\r\n");

  // Lines logged meanwhile stay behind the taken ones; an equal first one folds with the last.
  list.Clear();
  list.AddLine("a");
  list.AddLine("a");
  taken = list.Take();
  list.AddLine("a");
  list.AddLine("b");
  list.AddLine("b");
  list.PutBack(taken);
  EXPECT_EQ(list.GetText(), "a x3\r\nb x2\r\n");
  list.Clear();
  list.AddLine("a");
  list.AddLine("a");
  taken = list.Take();
  list.AddLine("c");
  list.PutBack(taken);
  list.AddLine("c");
  EXPECT_EQ(list.GetText(), "a x2\r\nc x2\r\n");

  // Beyond the limit the oldest lines go, put-back ones first.
  list.Clear();
  list.AddLine("a");
  list.AddLine("b");
  taken = list.Take();
  list.AddLine("c");
  list.AddLine("d");
  list.AddLine("e");
  list.PutBack(taken);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"b", "c", "d", "e"}));
}

} // namespace
