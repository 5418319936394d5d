#include "rtl/pointer_list.h"
#include "rtl/string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Records every notification the list sends.
class RecordingList : public TList {
public:
  void Notify(void* ptr, TListNotification action) override { Events.emplace_back(ptr, action); }
  std::vector<std::pair<void*, TListNotification>> Events;
};

// Counts its own destruction.
class Counted : public TObject {
public:
  explicit Counted(int& destroyed) : FDestroyed(destroyed) {}
  ~Counted() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

int a, b, c;

TEST(TList, EditingKeepsOrderAndNotifies) {
  RecordingList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&c), 1);
  list.Insert(1, &b);
  list.Add(nullptr); // null slots are kept but never notified
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0), &a);
  EXPECT_EQ(list.Get(1), &b);
  EXPECT_EQ(list.Get(2), &c);
  EXPECT_EQ(list.IndexOf(&c), 2);
  EXPECT_EQ(list.IndexOf(nullptr), 3);

  EXPECT_EQ(list.Extract(&b), &b);
  EXPECT_EQ(list.Extract(&b), nullptr);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.Remove(&a), -1);
  list.Put(0, &a); // replaces c
  list.Delete(1);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), &a);

  std::vector<std::pair<void*, TListNotification>> expected = {
      {&a, lnAdded},   {&c, lnAdded},   {&b, lnAdded}, {&b, lnExtracted},
      {&a, lnDeleted}, {&c, lnDeleted}, {&a, lnAdded}};
  EXPECT_EQ(list.Events, expected);

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.List(), nullptr);
  EXPECT_EQ(list.Events.back(), std::make_pair(static_cast<void*>(&a), lnDeleted));
}

TEST(TList, IndexErrorsRaiseListError) {
  TList list;
  list.Add(&a);
  try {
    list.Get(5);
    FAIL() << "no error raised";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Get(-1), EListError);
  EXPECT_THROW(list.Delete(1), EListError);
  EXPECT_THROW(list.Insert(2, &b), EListError);
  EXPECT_THROW(list.Put(1, &b), EListError);
  EXPECT_THROW(list.SetCapacity(0), EListError); // below Count
  EXPECT_THROW(list.SetCount(-1), EListError);
  list.Insert(1, &b); // Insert at Count appends
  EXPECT_EQ(list.Last(), &b);
}

TEST(TList, GrowsInStepsAndKeepsContents) {
  TList list;
  std::vector<int> values(200);
  std::vector<int32_t> capacities;
  for (int& v : values) {
    list.Add(&v);
    if (capacities.empty() || capacities.back() != list.Capacity())
      capacities.push_back(list.Capacity());
  }
  // 4 slots at a time up to 8, then 16 at a time up to 64, then a quarter more each time.
  std::vector<int32_t> expected = {4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228};
  EXPECT_EQ(capacities, expected);
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(list.Get(i), &values[i]);
  list.SetCount(3);
  EXPECT_EQ(list.Count(), 3);
  list.SetCount(5);
  EXPECT_EQ(list.Get(4), nullptr);
}

TEST(TObjectList, FreesDeletedButNotExtractedObjects) {
  int destroyed = 0;
  {
    TObjectList list(true);
    auto* kept = new Counted(destroyed);
    auto* extracted = new Counted(destroyed);
    list.Add(kept);
    list.Add(extracted);
    list.Add(new Counted(destroyed));
    list.Add(new Counted(destroyed));
    EXPECT_EQ(list.Extract(extracted), extracted);
    EXPECT_EQ(destroyed, 0);
    delete extracted;
    EXPECT_EQ(destroyed, 1);
    list.Delete(2);
    EXPECT_EQ(destroyed, 2);
    list.Put(1, new Counted(destroyed)); // the replaced object is freed
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(list.Remove(kept), 0);
    EXPECT_EQ(destroyed, 4);
    list.Add(new Counted(destroyed));
  } // destruction frees the two left
  EXPECT_EQ(destroyed, 6);

  destroyed = 0;
  Counted x(destroyed), y(destroyed);
  {
    TObjectList list(false);
    list.Add(&x);
    list.Add(&y);
    list.Delete(0);
    list.Clear();
  }
  EXPECT_EQ(destroyed, 0);
}

TEST(TStringList, TextJoinsAndSetTextSplitsAtEveryLineBreak) {
  TStringList list;
  EXPECT_EQ(list.Text(), "");
  list.SetText("a\r\nb\nc\rd");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[0], "a");
  EXPECT_EQ(list[3], "d");
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");

  list.SetText("x\r\n\r\ny\r\n"); // an empty line between, the final break adds none
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[1], "");
  list.SetText("\n\r");
  EXPECT_EQ(list.Count(), 2);
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(TStringList, EditingSearchAndLineData) {
  TStringList list;
  int destroyed = 0;
  Counted object(destroyed);
  list.Add("Alpha");
  list.AddObject("beta", &object);
  list.Insert(0, "first");
  list.SetData(2, 7);
  EXPECT_EQ(list.IndexOf("ALPHA"), 1);
  EXPECT_EQ(list.IndexOf("Bet"), -1);
  EXPECT_EQ(list.Objects(2), &object);
  EXPECT_EQ(list.Data(2), 7);
  EXPECT_EQ(list.Data(1), 0);
  list.CaseSensitive = true;
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  EXPECT_EQ(list.IndexOf("Alpha"), 1);

  list.AddStrings(list); // a list may append itself
  EXPECT_EQ(list.Count(), 6);
  list.Delete(0);
  EXPECT_EQ(list[0], "Alpha");
  EXPECT_THROW(list[5], EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);

  TStringList copy;
  copy.Assign(list);
  EXPECT_EQ(copy.Text(), list.Text());
  EXPECT_EQ(destroyed, 0) << "a string list never owns the objects beside its lines";
}

} // namespace
