// The open groups of the aggregation engine: one pending row with its own marks and
// timers per value of the group variable, found by the text of the value, in two orders:
// by their last packet (the idle order, for the timeout and for evictions) and by the first value
// of their pending row (the age order). The table holds at most the bound it is given, so its
// memory stays bounded whatever the key values are.
//
// What holds between calls (CheckInvariants): no more groups than the bound; every slot is either
// a group's, found by its key, or free, never both; the idle order links every group once, from
// the oldest last packet to the newest; the age order links exactly the aging groups once, from
// the oldest first value to the newest.
#pragma once

#include "data/params_list.h"
#include "filter/merge_strategy.h"
#include "filter/pending_index.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// One group: its pending row and what the engine keeps beside it.
struct TAggregationGroup {
  std::string Key;
  TzetParamsList Pending;
  PendingIndex Index;
  /// When the value of each pending item was stored (kept only with a value lifetime).
  std::vector<uint64_t> ValueTimes;
  /// The marks: bit K is set when the configured variable K has received a non-empty value.
  uint32_t Marks = 0;
  /// What the merge strategies of the variables keep beside their values (zero while a variable
  /// is unmarked), and the variables whose joined texts were cut (said once per row).
  std::array<TMergeTally, 8> Tallies{};
  uint32_t CutNoted = 0;
  /// Time of the group's last packet, on the engine's clock and on the system clock (the same
  /// unless the packets carry their own time).
  uint64_t LastInput = 0;
  uint64_t LastInputSystem = 0;
  /// Time of the first value merged since the pending row was last emptied or released; only
  /// meaningful while Aging.
  uint64_t AgeStart = 0;
  bool Aging = false;

  // Links of the two orders (slot numbers, -1 at the ends).
  int32_t IdlePrev = -1, IdleNext = -1;
  int32_t AgePrev = -1, AgeNext = -1;
};

class TAggregationGroups {
public:
  explicit TAggregationGroups(uint32_t maxGroups);
  TAggregationGroups(const TAggregationGroups&) = delete;
  TAggregationGroups& operator=(const TAggregationGroups&) = delete;

  uint32_t MaxGroups() const { return maxGroups_; }
  int32_t Count() const { return static_cast<int32_t>(byKey_.size()); }
  bool Full() const { return byKey_.size() >= maxGroups_; }

  /// The slot of the group of Key, or -1.
  int32_t Find(const std::string& key) const;
  /// Opens a group for Key at the idle order's recent end and answers its slot, as having had a
  /// packet at Now (the engine's clock) and System (the system clock). The table must not be
  /// full; the group's pending row is empty.
  int32_t Open(const std::string& key, uint64_t now, uint64_t system);
  /// Removes the group of Slot from the table and both orders; its pending row must be empty. The
  /// slot is reused by a later Open.
  void Close(int32_t slot);
  /// Removes every group; what they hold is freed.
  void Clear();
  /// Clear, and holds at most MaxGroups from now on.
  void Clear(uint32_t maxGroups) {
    Clear();
    maxGroups_ = maxGroups;
  }

  TAggregationGroup& operator[](int32_t slot) { return *slots_[static_cast<std::size_t>(slot)]; }

  /// The group whose last packet is oldest, or -1.
  int32_t IdleOldest() const { return idleHead_; }
  /// Marks Slot's group as having had a packet at Now and System: it moves to the idle order's
  /// recent end.
  void Touch(int32_t slot, uint64_t now, uint64_t system);
  /// The aging group whose first value is oldest, or -1.
  int32_t AgeOldest() const { return ageHead_; }
  /// Starts the age of Slot's group now (it goes to the age order's recent end).
  void StartAge(int32_t slot, uint64_t now);
  /// Takes Slot's group out of the age order.
  void StopAge(int32_t slot) {
    if ((*this)[slot].Aging)
      LeaveAge(slot);
  }

  /// True when the table is in the state its comment above describes. For tests.
  bool CheckInvariants() const;

  /// Calls F(slot, group) for every open group.
  template <class F> void ForEach(F&& f) {
    for (int32_t slot = idleHead_; slot >= 0;) {
      TAggregationGroup& group = (*this)[slot];
      const int32_t next = group.IdleNext;
      f(slot, group);
      slot = next;
    }
  }

private:
  void LeaveAge(int32_t slot);
  void Unlink(int32_t slot, int32_t TAggregationGroup::*prev, int32_t TAggregationGroup::*next,
              int32_t& head, int32_t& tail);
  void Append(int32_t slot, int32_t TAggregationGroup::*prev, int32_t TAggregationGroup::*next,
              int32_t& head, int32_t& tail);

  uint32_t maxGroups_;
  std::vector<std::unique_ptr<TAggregationGroup>> slots_;
  std::vector<int32_t> free_;
  std::unordered_map<std::string, int32_t> byKey_;
  int32_t idleHead_ = -1, idleTail_ = -1;
  int32_t ageHead_ = -1, ageTail_ = -1;
};
