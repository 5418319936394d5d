#include "frame/caller_outputs.h"

#include "platform/thread_slot.h"

#include <algorithm>

namespace {

/// The entry a thread used last, the owner tag it had then and, during a call, the list it
/// found. Between calls it is only a hint: counting in on the entry fails when the entry has
/// changed hands. While the thread is inside a call (Inside > 0) its entry is neither taken over
/// nor reset, so the list stays the thread's until the call ends and needs no lock.
struct CallerCache {
  uint64_t Table = 0; // the id of the table the entry belongs to
  void* Entry = nullptr;
  uint64_t Tag = 0;
  int32_t Inside = 0; // data calls of this thread under way that went through this cache
  TzetRowsParamsList* List = nullptr;
};
/// The calling thread's cache.
CallerCache& ThreadCache() {
  return platform::ThreadCached<CallerCache>();
}

/// Table ids and owner tags: unique across all tables, so that neither a table made where an
/// old one was nor an entry given to another thread is ever taken for the one a thread knew.
std::atomic<uint64_t> gIds{0};
uint64_t NextId() {
  return gIds.fetch_add(1, std::memory_order_relaxed) + 1;
}

} // namespace

TCallerOutputLists::TCallerOutputLists() : id_(NextId()) {}

TCallerOutputLists::~TCallerOutputLists() = default;

bool TCallerOutputLists::Claim(Entry& entry) noexcept {
  uint64_t state = entry.State.load(std::memory_order_relaxed);
  // Fails when the entry's thread has counted itself in meanwhile: the entry stays its own.
  return CallsOf(state) == 0 &&
         entry.State.compare_exchange_strong(state, NextId() << kCallBits,
                                             std::memory_order_seq_cst, std::memory_order_relaxed);
}

std::size_t TCallerOutputLists::ReclaimEnded() {
  std::size_t reclaimed = 0;
  for (const auto& entry : entries_) {
    if (entry->Thread == std::thread::id() || !entry->Life.Ended() || !Claim(*entry))
      continue;
    entry->Thread = std::thread::id();
    entry->Life = platform::ThreadLife();
    if (entry->List)
      entry->List->Clear();
    ++reclaimed;
  }
  return reclaimed;
}

void TCallerOutputLists::GiveToCaller(Entry& entry, std::thread::id self) {
  entry.Thread = self;
  entry.Life = platform::ThreadLife::OfCallingThread();
  if (entry.List)
    entry.List->Clear();
}

TCallerOutputLists::Entry* TCallerOutputLists::FreeEntry() const {
  for (const auto& entry : entries_)
    if (entry->Thread == std::thread::id() && CallsOf(entry->State.load()) == 0)
      return entry.get();
  return nullptr;
}

TCallerOutputLists::Entry& TCallerOutputLists::EntryOfCaller() {
  const std::thread::id self = std::this_thread::get_id();
  for (const auto& entry : entries_) {
    if (entry->Thread != self)
      continue;
    // The id of a thread that has ended may come back with a new thread: the entry then
    // follows the new thread's life, and its list starts empty, as a taken-back one does.
    if (entry->Life.Ended())
      GiveToCaller(*entry, self);
    return *entry;
  }
  Entry* free = FreeEntry();
  if (!free && entries_.size() >= scanAt_) {
    const std::size_t reclaimed = ReclaimEnded();
    scanAt_ = std::max(kScanAfter, 2 * (entries_.size() - reclaimed));
    free = FreeEntry();
  }
  // An entry freed by a reset has no list; one of an ended thread keeps its list, emptied.
  if (free && Claim(*free)) {
    GiveToCaller(*free, self);
    return *free;
  }
  auto entry = std::make_unique<Entry>();
  entry->State.store(NextId() << kCallBits, std::memory_order_relaxed);
  GiveToCaller(*entry, self);
  entries_.push_back(std::move(entry));
  return *entries_.back();
}

bool TCallerOutputLists::Enter(const std::atomic<bool>* shutOut) {
  CallerCache& cached = ThreadCache();
  Entry* entry = nullptr;
  if (cached.Table == id_) {
    auto* known = static_cast<Entry*>(cached.Entry);
    uint64_t state = known->State.load(std::memory_order_relaxed);
    if (TagOf(state) == cached.Tag &&
        known->State.compare_exchange_strong(state, state + 1, std::memory_order_seq_cst,
                                             std::memory_order_relaxed)) {
      entry = known;
      ++cached.Inside;
    }
  }
  if (!entry) {
    std::lock_guard<std::mutex> hold(lock_);
    entry = &EntryOfCaller();
    const uint64_t tag = TagOf(entry->State.fetch_add(1, std::memory_order_seq_cst));
    const bool same = cached.Table == id_ && cached.Entry == entry && cached.Tag == tag;
    cached = CallerCache{id_, entry, tag, same ? cached.Inside + 1 : 1, nullptr};
  }
  // Counted in first, then the flag read: a shut-out that sets the flag and then finds no call
  // counted in knows that every later call sees the flag.
  if (shutOut && shutOut->load(std::memory_order_seq_cst)) {
    Leave();
    return false;
  }
  // Only this thread sets its entry's list while it is inside a call, so it is read here
  // without the lock. A thread that has no list yet is given one when it first asks.
  cached.List = entry->List;
  return true;
}

void TCallerOutputLists::Leave() noexcept {
  CallerCache& cached = ThreadCache();
  if (cached.Table == id_ && cached.Inside > 0) {
    if (--cached.Inside == 0)
      cached.List = nullptr;
    // While the thread is inside a call nothing else writes its entry's state.
    auto* entry = static_cast<Entry*>(cached.Entry);
    entry->State.store(entry->State.load(std::memory_order_relaxed) - 1, std::memory_order_release);
    return;
  }
  // The thread's cache went to another instance's table during this call.
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& entry : entries_) {
    if (entry->Thread == self) {
      if (CallsOf(entry->State.load(std::memory_order_relaxed)) > 0)
        entry->State.fetch_sub(1, std::memory_order_release);
      return;
    }
  }
}

bool TCallerOutputLists::AnyInside() {
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& entry : entries_)
    if (CallsOf(entry->State.load(std::memory_order_seq_cst)) != 0)
      return true;
  return false;
}

TzetRowsParamsList* TCallerOutputLists::ForCaller(TzetRowsParamsList* primary) {
  if (!primary)
    return nullptr;
  const CallerCache& cached = ThreadCache();
  if (cached.Table == id_ && cached.Inside > 0 && cached.List)
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
  if (cached.Table == id_ && cached.Entry == &entry && cached.Inside > 0)
    cached.List = entry.List;
  return entry.List;
}

void TCallerOutputLists::Reset() noexcept {
  std::lock_guard<std::mutex> hold(lock_);
  // The entries stay (a thread may be about to count itself in on the one it knows, and fails
  // to, since its owner tag changes here); what they hold goes. An entry still inside a call,
  // which only a shut-out that gave up waiting leaves, keeps what it has.
  for (const auto& entry : entries_) {
    if (!Claim(*entry))
      continue;
    entry->Thread = std::thread::id();
    entry->Life = platform::ThreadLife();
    entry->List = nullptr;
    entry->Owned.reset();
  }
}

bool TCallerOutputLists::CheckInvariants(const TzetRowsParamsList* primary) {
  std::lock_guard<std::mutex> hold(lock_);
  std::size_t primaries = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = *entries_[i];
    if (entry.Thread == std::thread::id() && CallsOf(entry.State.load()) != 0)
      return false;
    for (std::size_t j = i + 1; j < entries_.size(); ++j)
      if (entry.Thread != std::thread::id() && entries_[j]->Thread == entry.Thread)
        return false;
    if (primary && entry.List == primary)
      ++primaries;
    else if (entry.List && entry.List != entry.Owned.get())
      return false;
  }
  return primaries <= 1;
}

std::size_t TCallerOutputLists::EntryCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return entries_.size();
}
