// An index of the pending row by lower-cased item name.
#pragma once

#include "data/params_list.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

/// Finds pending items by their lower-cased name in constant time, so that the cost of a packet
/// grows linearly with its size. Slots hold item index + 1; 0 is free. Pending only grows
/// between resets, so entries are never removed, only cleared all at once.
class PendingIndex {
public:
  void Clear() {
    if (used_) {
      std::fill(slots_.begin(), slots_.end(), 0);
      used_ = 0;
    }
  }

  /// LowerBlock is Lowered's shared block, or empty: an item that holds the same block has the
  /// same name without comparing the texts.
  int32_t Find(const TzetParamsList& pending, const rtl::AnsiString& lowerBlock,
               std::string_view lowered, std::size_t hash) const {
    if (used_ == 0)
      return -1;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const int32_t slot = slots_[i];
      if (slot == 0)
        return -1;
      const rtl::AnsiString& name = pending.Item(slot - 1)->LowerName;
      if ((lowerBlock.BlockPointer() && name.BlockPointer() == lowerBlock.BlockPointer()) ||
          name.View() == lowered)
        return slot - 1;
    }
  }

  int32_t Find(const TzetParamsList& pending, std::string_view lowered, std::size_t hash) const {
    return Find(pending, rtl::AnsiString(), lowered, hash);
  }

  void Insert(const TzetParamsList& pending, int32_t index, std::size_t hash) {
    if ((used_ + 1) * 2 > slots_.size())
      Grow(pending);
    Place(index, hash);
    ++used_;
  }

  static std::size_t Hash(std::string_view s) { return std::hash<std::string_view>{}(s); }

  /// True when the index holds exactly the items of Pending, each found at its position.
  bool Covers(const TzetParamsList& pending) const {
    if (used_ != static_cast<std::size_t>(pending.Count()))
      return false;
    for (int32_t i = 0; i < pending.Count(); ++i) {
      const std::string_view name = pending.Item(i)->LowerName.View();
      if (Find(pending, name, Hash(name)) != i)
        return false;
    }
    return true;
  }

private:
  void Place(int32_t index, std::size_t hash) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i] != 0)
      i = (i + 1) & mask;
    slots_[i] = index + 1;
  }

  void Grow(const TzetParamsList& pending) {
    slots_.assign(slots_.empty() ? 32 : slots_.size() * 2, 0);
    for (std::size_t k = 0; k < used_; ++k) {
      const auto index = static_cast<int32_t>(k);
      Place(index, Hash(pending.Item(index)->LowerName.View()));
    }
  }

  std::vector<int32_t> slots_;
  std::size_t used_ = 0;
};
