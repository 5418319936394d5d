#include "frame/caller_outputs.h"

TCallerOutputLists::Entry& TCallerOutputLists::EntryOfCaller() {
  const std::thread::id self = std::this_thread::get_id();
  ++clock_;
  for (const auto& entry : entries_) {
    if (entry->Thread == self) {
      entry->LastUse = clock_;
      return *entry;
    }
  }
  if (entries_.size() >= kMaxCallerLists) {
    Entry* idle = nullptr;
    for (const auto& entry : entries_) {
      if (entry->Calls == 0 && (!idle || entry->LastUse < idle->LastUse))
        idle = entry.get();
    }
    if (idle) {
      idle->Thread = self;
      idle->LastUse = clock_;
      if (idle->List)
        idle->List->Clear();
      return *idle;
    }
  }
  auto entry = std::make_unique<Entry>();
  entry->Thread = self;
  entry->LastUse = clock_;
  entries_.push_back(std::move(entry));
  return *entries_.back();
}

void TCallerOutputLists::Enter() {
  std::lock_guard<std::mutex> hold(lock_);
  ++EntryOfCaller().Calls;
}

void TCallerOutputLists::Leave() noexcept {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& entry : entries_) {
    if (entry->Thread == self) {
      if (entry->Calls > 0)
        --entry->Calls;
      return;
    }
  }
}

TzetRowsParamsList* TCallerOutputLists::ForCaller(TzetRowsParamsList* primary) {
  if (!primary)
    return nullptr;
  std::lock_guard<std::mutex> hold(lock_);
  Entry& entry = EntryOfCaller();
  if (!entry.List) {
    bool primaryTaken = false;
    for (const auto& other : entries_)
      primaryTaken = primaryTaken || other->List == primary;
    if (primaryTaken) {
      entry.Owned = std::make_unique<TzetRowsParamsList>();
      entry.List = entry.Owned.get();
    } else {
      entry.List = primary;
    }
  }
  return entry.List;
}

void TCallerOutputLists::Reset() noexcept {
  std::lock_guard<std::mutex> hold(lock_);
  entries_.clear();
}
