#include "frame/caller_outputs.h"

namespace {

/// The list a thread found during its current data call: an entry whose thread is inside a call
/// is neither taken over nor reset, so the list stays the thread's until the call ends, and the
/// calls in between need no lock.
struct CallerCache {
  const TCallerOutputLists* Owner = nullptr;
  const TzetRowsParamsList* Primary = nullptr;
  TzetRowsParamsList* List = nullptr;
};
thread_local CallerCache tCallerCache;

} // namespace

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

void TCallerOutputLists::Enter(TzetRowsParamsList* primary) {
  std::lock_guard<std::mutex> hold(lock_);
  Entry& entry = EntryOfCaller();
  ++entry.Calls;
  // A thread that has its list already finds it without the lock during the call; the first
  // list of a thread is still given when it first asks for one.
  if (primary && entry.List)
    tCallerCache = CallerCache{this, primary, entry.List};
}

void TCallerOutputLists::Leave() noexcept {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& entry : entries_) {
    if (entry->Thread == self) {
      if (entry->Calls > 0)
        --entry->Calls;
      if (entry->Calls == 0 && tCallerCache.Owner == this)
        tCallerCache = CallerCache{};
      return;
    }
  }
}

TzetRowsParamsList* TCallerOutputLists::ForCaller(TzetRowsParamsList* primary) {
  if (!primary)
    return nullptr;
  const CallerCache& cached = tCallerCache;
  if (cached.Owner == this && cached.Primary == primary)
    return cached.List;
  std::lock_guard<std::mutex> hold(lock_);
  return ListOf(EntryOfCaller(), primary);
}

TzetRowsParamsList* TCallerOutputLists::ListOf(Entry& entry, TzetRowsParamsList* primary) {
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
  if (entry.Calls > 0)
    tCallerCache = CallerCache{this, primary, entry.List};
  return entry.List;
}

void TCallerOutputLists::Reset() noexcept {
  std::lock_guard<std::mutex> hold(lock_);
  entries_.clear();
  if (tCallerCache.Owner == this)
    tCallerCache = CallerCache{};
}
