#include "frame/caller_outputs.h"

#include "platform/thread_slot.h"

namespace {

/// The entry a thread used last and the list it found. Between calls it is only a hint, checked
/// against the table's epoch; while the thread is inside a call (Inside > 0) its entry is neither
/// taken over nor reset, so the list stays the thread's until the call ends and the calls in
/// between need no lock.
struct CallerCache {
  const TCallerOutputLists* Owner = nullptr;
  uint64_t Epoch = 0;
  void* Entry = nullptr;
  int32_t Inside = 0; // data calls of this thread under way that went through this cache
  const TzetRowsParamsList* Primary = nullptr;
  TzetRowsParamsList* List = nullptr;
};
/// The calling thread's cache.
CallerCache& ThreadCache() {
  return platform::ThreadCached<CallerCache>();
}

/// Epochs are unique across all tables, so that a table made where an old one was is never
/// taken for it.
std::atomic<uint64_t> gEpochs{0};
uint64_t NextEpoch() {
  return gEpochs.fetch_add(1, std::memory_order_relaxed) + 1;
}

} // namespace

TCallerOutputLists::TCallerOutputLists() : epoch_(NextEpoch()) {}

void TCallerOutputLists::Stamp(Entry& entry) noexcept {
  const uint64_t now = clock_.load(std::memory_order_relaxed) + 1;
  clock_.store(now, std::memory_order_relaxed);
  entry.LastUse.store(now, std::memory_order_relaxed);
}

TCallerOutputLists::Entry* TCallerOutputLists::TakeIdleEntry() {
  for (std::size_t attempt = 0; attempt < entries_.size(); ++attempt) {
    Entry* idle = nullptr;
    for (const auto& entry : entries_) {
      if (entry->Calls.load(std::memory_order_relaxed) == 0 &&
          (!idle || entry->LastUse.load(std::memory_order_relaxed) <
                        idle->LastUse.load(std::memory_order_relaxed)))
        idle = entry.get();
    }
    if (!idle)
      return nullptr;
    // The entry's thread may be entering a call on its remembered entry right now: it counts
    // itself in and then checks the epoch, while this changes the epoch and then checks the
    // count, so at least one of the two sees the other.
    epoch_.store(NextEpoch(), std::memory_order_seq_cst);
    if (idle->Calls.load(std::memory_order_seq_cst) == 0)
      return idle;
  }
  return nullptr;
}

TCallerOutputLists::Entry& TCallerOutputLists::EntryOfCaller() {
  const std::thread::id self = std::this_thread::get_id();
  for (const auto& entry : entries_) {
    if (entry->Thread == self) {
      Stamp(*entry);
      return *entry;
    }
  }
  if (entries_.size() >= kMaxCallerLists) {
    if (Entry* idle = TakeIdleEntry()) {
      idle->Thread = self;
      Stamp(*idle);
      if (idle->List)
        idle->List->Clear();
      return *idle;
    }
  }
  auto entry = std::make_unique<Entry>();
  entry->Thread = self;
  Stamp(*entry);
  entries_.push_back(std::move(entry));
  return *entries_.back();
}

void TCallerOutputLists::Enter(TzetRowsParamsList* primary) {
  CallerCache& cached = ThreadCache();
  if (cached.Owner == this && cached.Entry) {
    const uint64_t epoch = cached.Epoch;
    // The epoch is checked before the remembered entry is touched: a reset frees entries.
    if (epoch_.load(std::memory_order_acquire) == epoch) {
      auto* entry = static_cast<Entry*>(cached.Entry);
      entry->Calls.fetch_add(1, std::memory_order_seq_cst);
      if (epoch_.load(std::memory_order_seq_cst) == epoch) {
        Stamp(*entry);
        ++cached.Inside;
        // Only this thread sets its entry's list, so it is read here without the lock.
        cached.Primary = primary;
        cached.List = primary ? entry->List : nullptr;
        return;
      }
      // The entry may have changed hands meanwhile: count out and look it up under the lock.
      entry->Calls.fetch_sub(1, std::memory_order_seq_cst);
    }
  }
  std::lock_guard<std::mutex> hold(lock_);
  Entry& entry = EntryOfCaller();
  entry.Calls.fetch_add(1, std::memory_order_seq_cst);
  const int32_t inside = cached.Owner == this && cached.Entry == &entry ? cached.Inside : 0;
  // A thread that has its list already finds it without the lock during the call; the first
  // list of a thread is still given when it first asks for one.
  cached = CallerCache{this,    epoch_.load(std::memory_order_relaxed), &entry, inside + 1,
                       primary, primary ? entry.List : nullptr};
}

void TCallerOutputLists::Leave() noexcept {
  CallerCache& cached = ThreadCache();
  if (cached.Owner == this && cached.Inside > 0) {
    --cached.Inside;
    static_cast<Entry*>(cached.Entry)->Calls.fetch_sub(1, std::memory_order_release);
    return;
  }
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& entry : entries_) {
    if (entry->Thread == self) {
      if (entry->Calls.load(std::memory_order_relaxed) > 0)
        entry->Calls.fetch_sub(1, std::memory_order_release);
      return;
    }
  }
}

TzetRowsParamsList* TCallerOutputLists::ForCaller(TzetRowsParamsList* primary) {
  if (!primary)
    return nullptr;
  const CallerCache& cached = ThreadCache();
  if (cached.Owner == this && cached.Inside > 0 && cached.Primary == primary && cached.List)
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
  CallerCache& cached = ThreadCache();
  if (cached.Owner == this && cached.Entry == &entry && cached.Inside > 0) {
    cached.Primary = primary;
    cached.List = entry.List;
  }
  return entry.List;
}

void TCallerOutputLists::Reset() noexcept {
  std::lock_guard<std::mutex> hold(lock_);
  entries_.clear();
  epoch_.store(NextEpoch(), std::memory_order_seq_cst);
  CallerCache& cached = ThreadCache();
  if (cached.Owner == this)
    cached = CallerCache{};
}
