#include "filter/aggregation_groups.h"

#include <utility>
#include <vector>

TAggregationGroups::TAggregationGroups(uint32_t maxGroups) : maxGroups_(maxGroups) {}

int32_t TAggregationGroups::Find(const std::string& key) const {
  const auto found = byKey_.find(key);
  return found == byKey_.end() ? -1 : found->second;
}

int32_t TAggregationGroups::Open(const std::string& key, uint64_t now, uint64_t system) {
  int32_t slot;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
  } else {
    slots_.push_back(std::make_unique<TAggregationGroup>());
    slot = static_cast<int32_t>(slots_.size() - 1);
  }
  try {
    byKey_.emplace(key, slot);
  } catch (...) {
    free_.push_back(slot);
    throw;
  }
  TAggregationGroup& group = (*this)[slot];
  group.Key = key;
  group.Marks = 0;
  group.Tallies = {};
  group.CutNoted = 0;
  group.Aging = false;
  group.IdlePrev = group.IdleNext = group.AgePrev = group.AgeNext = -1;
  group.LastInput = now;
  group.LastInputSystem = system;
  Append(slot, &TAggregationGroup::IdlePrev, &TAggregationGroup::IdleNext, idleHead_, idleTail_);
  return slot;
}

void TAggregationGroups::Close(int32_t slot) {
  TAggregationGroup& group = (*this)[slot];
  StopAge(slot);
  Unlink(slot, &TAggregationGroup::IdlePrev, &TAggregationGroup::IdleNext, idleHead_, idleTail_);
  byKey_.erase(group.Key);
  group.Key.clear();
  group.Index.Clear();
  group.ValueTimes.clear();
  // A free slot keeps its storage for the next group; slots never outnumber the bound.
  free_.push_back(slot);
}

void TAggregationGroups::Clear() {
  slots_.clear();
  free_.clear();
  byKey_.clear();
  idleHead_ = idleTail_ = ageHead_ = ageTail_ = -1;
}

void TAggregationGroups::Touch(int32_t slot, uint64_t now, uint64_t system) {
  (*this)[slot].LastInput = now;
  (*this)[slot].LastInputSystem = system;
  if (idleTail_ == slot)
    return;
  Unlink(slot, &TAggregationGroup::IdlePrev, &TAggregationGroup::IdleNext, idleHead_, idleTail_);
  Append(slot, &TAggregationGroup::IdlePrev, &TAggregationGroup::IdleNext, idleHead_, idleTail_);
}

void TAggregationGroups::StartAge(int32_t slot, uint64_t now) {
  TAggregationGroup& group = (*this)[slot];
  if (group.Aging)
    return;
  group.Aging = true;
  group.AgeStart = now;
  Append(slot, &TAggregationGroup::AgePrev, &TAggregationGroup::AgeNext, ageHead_, ageTail_);
}

void TAggregationGroups::LeaveAge(int32_t slot) {
  TAggregationGroup& group = (*this)[slot];
  group.Aging = false;
  Unlink(slot, &TAggregationGroup::AgePrev, &TAggregationGroup::AgeNext, ageHead_, ageTail_);
}

void TAggregationGroups::Unlink(int32_t slot, int32_t TAggregationGroup::*prev,
                                int32_t TAggregationGroup::*next, int32_t& head, int32_t& tail) {
  TAggregationGroup& group = (*this)[slot];
  const int32_t before = group.*prev;
  const int32_t after = group.*next;
  if (before >= 0)
    (*this)[before].*next = after;
  else
    head = after;
  if (after >= 0)
    (*this)[after].*prev = before;
  else
    tail = before;
  group.*prev = group.*next = -1;
}

void TAggregationGroups::Append(int32_t slot, int32_t TAggregationGroup::*prev,
                                int32_t TAggregationGroup::*next, int32_t& head, int32_t& tail) {
  TAggregationGroup& group = (*this)[slot];
  group.*prev = tail;
  group.*next = -1;
  if (tail >= 0)
    (*this)[tail].*next = slot;
  else
    head = slot;
  tail = slot;
}

bool TAggregationGroups::CheckInvariants() const {
  if (byKey_.size() > maxGroups_ || slots_.size() != byKey_.size() + free_.size())
    return false;
  std::vector<int> seen(slots_.size(), 0); // 1: a group's, 2: free
  long aging = 0;
  for (const auto& [key, slot] : byKey_) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots_.size() || seen[slot] != 0 ||
        slots_[slot]->Key != key)
      return false;
    seen[slot] = 1;
    aging += slots_[slot]->Aging ? 1 : 0;
  }
  for (const int32_t slot : free_) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots_.size() || seen[slot] != 0)
      return false;
    seen[slot] = 2;
  }
  // Walks one order from Head: every link answered back, times not decreasing; answers the
  // number of groups on it, or -1.
  const auto walk = [&](int32_t head, int32_t tail, int32_t TAggregationGroup::*prev,
                        int32_t TAggregationGroup::*next, uint64_t TAggregationGroup::*time,
                        bool aging) -> long {
    long count = 0;
    int32_t before = -1;
    uint64_t last = 0;
    for (int32_t slot = head; slot >= 0; slot = (*slots_[slot]).*next) {
      const TAggregationGroup& group = *slots_[slot];
      if (seen[slot] != 1 || group.*prev != before || group.*time < last ||
          (aging && !group.Aging) || ++count > static_cast<long>(byKey_.size()))
        return -1;
      last = group.*time;
      before = slot;
    }
    return before == tail ? count : -1;
  };
  return walk(idleHead_, idleTail_, &TAggregationGroup::IdlePrev, &TAggregationGroup::IdleNext,
              &TAggregationGroup::LastInput, false) == static_cast<long>(byKey_.size()) &&
         walk(ageHead_, ageTail_, &TAggregationGroup::AgePrev, &TAggregationGroup::AgeNext,
              &TAggregationGroup::AgeStart, true) == aging;
}
