// How the aggregation engine finds the item of a name in a pending row. The plain mode keeps one
// pending row and finds its items through the slots of the names' ids, one array look per item;
// the grouped mode keeps a row per group and finds its items through that row's hash index. The
// engine's merge step is written once, for any lookup that answers the questions of PendingLookup.
#pragma once

#include "data/params_list.h"
#include "filter/pending_index.h"
#include "filter/pending_slots.h"
#include "filter/seen_names.h"

#include <concepts>
#include <cstdint>

template <class L>
concept PendingLookup = requires(L lookup, const TzetParamsList& row, const TSeenNames::Entry& seen,
                                 const TSeenNames& names, int32_t index) {
  /// The index of the item named as Seen in Row, or -1.
  { lookup.Find(row, seen) } -> std::same_as<int32_t>;
  /// Records that the item at Index of Row, just added, is named as Seen (whose Find said -1).
  lookup.Record(row, seen, index);
  /// True when the lookup finds exactly the items of Row, each at its position.
  { lookup.Covers(row, names) } -> std::same_as<bool>;
};

/// The plain mode's lookup: the slots of the names' ids, which the learner gives out.
class TSlotLookup {
public:
  explicit TSlotLookup(TPendingSlots& slots) noexcept : slots_(slots) {}

  int32_t Find(const TzetParamsList&, const TSeenNames::Entry& seen) {
    last_ = &slots_.At(seen.Id);
    return slots_.IndexIn(*last_);
  }
  /// Writes into the slot that the Find of the same name looked at.
  void Record(const TzetParamsList&, const TSeenNames::Entry&, int32_t index) noexcept {
    slots_.Record(*last_, index);
  }
  bool Covers(const TzetParamsList& row, const TSeenNames& names) const {
    for (int32_t k = 0; k < row.Count(); ++k) {
      const TzetParamsListItem* item = row.Item(k);
      if (!item || slots_.IndexOf(names.Find(item->LowerName.View())) != k)
        return false;
    }
    return true;
  }

private:
  TPendingSlots& slots_;
  TPendingSlots::Slot* last_ = nullptr;
};

/// The grouped mode's lookup: the hash index of one group's row.
class THashLookup {
public:
  explicit THashLookup(PendingIndex& index) noexcept : index_(index) {}

  int32_t Find(const TzetParamsList& row, const TSeenNames::Entry& seen) const {
    return index_.Find(row, seen.LowerBlock, seen.Lowered, seen.Hash);
  }
  void Record(const TzetParamsList& row, const TSeenNames::Entry& seen, int32_t index) {
    index_.Insert(row, index, seen.Hash);
  }
  bool Covers(const TzetParamsList& row, const TSeenNames&) const { return index_.Covers(row); }

private:
  PendingIndex& index_;
};

static_assert(PendingLookup<TSlotLookup> && PendingLookup<THashLookup>);
