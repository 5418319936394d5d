// Where each name of the plain engine's pending row stands, by the id the engine's name learner
// gave the name's lowered text (TSeenNames::Intern).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

/// Finding a pending item is one look at the slot of its name's id. Emptying is one step: every
/// slot carries the number of the row it was written for, and only slots of the current row
/// count.
class TPendingSlots {
public:
  /// Records that the item at Index carries name Id.
  void Insert(int32_t id, int32_t index) { Record(At(id), index); }

  struct Slot {
    uint32_t Row = 0;
    int32_t Index = -1;
  };
  /// The slot of name Id: one look finds the pending item (IndexIn) and records a new one.
  Slot& At(int32_t id) {
    const auto at = static_cast<std::size_t>(id);
    if (at >= slots_.size())
      slots_.resize(std::max<std::size_t>(at + 1, 2 * slots_.size()));
    return slots_[at];
  }
  /// The pending item's index recorded for name Id, or -1 (a look that adds no slot).
  int32_t IndexOf(int32_t id) const noexcept {
    const auto at = static_cast<std::size_t>(id);
    return id >= 0 && at < slots_.size() ? IndexIn(slots_[at]) : -1;
  }
  /// The pending item's index that Slot records, or -1.
  int32_t IndexIn(const Slot& slot) const noexcept { return slot.Row == row_ ? slot.Index : -1; }
  /// Records in Slot (from At) that the item at Index carries its name. Slot stays valid until
  /// the next At or Insert.
  void Record(Slot& slot, int32_t index) noexcept { slot = {row_, index}; }
  /// Forgets every slot.
  void Clear() noexcept {
    if (++row_ == 0) {
      // After 2^32 rows the numbers come round again: the old slots are wiped once.
      std::fill(slots_.begin(), slots_.end(), Slot{});
      row_ = 1;
    }
  }
  /// Forgets every slot and the ids with them (the ids are about to be numbered anew).
  void Reset() noexcept {
    slots_.clear();
    row_ = 1;
  }

private:
  std::vector<Slot> slots_;
  uint32_t row_ = 1;
};
