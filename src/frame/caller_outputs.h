// The output lists of one instance, one per calling thread, and the data calls under way.
//
// A data call publishes its rows in a list that stays owned by the instance and that the host
// reads after the call has returned. Several host threads may call one instance at once, so each
// calling thread gets a list of its own: a row released by a call reaches the thread that made
// the call, whatever other threads do meanwhile. A thread's list stays as its call left it until
// that thread's next data call for the instance, its release request or the last UNLOAD.
//
// The first thread that asks gets the instance's OutputRows, so a host that calls from one thread
// sees exactly the one output list the instance has always had. Any number of threads may call:
// a thread's list is never handed to another thread while the thread lives. Once the table holds
// kScanAfter entries, a thread new to it first looks for entries of threads that have ended and
// takes one of those, its list emptied; when none has ended, the table grows, and it looks again
// only after it has doubled, so that the look costs nothing per call.
//
// The same entries count the data calls of each thread under way, which is what the last UNLOAD
// waits for. A thread counts itself in on its own entry, so that a steady data call costs one
// atomic step on entry and a plain store on exit, and no shared counter.
//
// What holds between calls of the table (CheckInvariants): no two entries have the same thread;
// an entry without a thread has no call under way; at most one entry has the primary list; every
// other list an entry has is its own.
#pragma once

#include "data/params_list.h"
#include "platform/thread_life.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TCallerOutputLists {
public:
  static constexpr std::size_t kScanAfter = 64;

  TCallerOutputLists();
  ~TCallerOutputLists();
  TCallerOutputLists(const TCallerOutputLists&) = delete;
  TCallerOutputLists& operator=(const TCallerOutputLists&) = delete;

  /// Counts the calling thread in as inside a data call, unless ShutOut is set: then it answers
  /// false and counts nothing. Inside a call, the thread's list is not handed to another thread,
  /// and once it has one, ForCaller answers it without a lock until the call ends. A thread that
  /// calls again finds its entry without the table's lock, as long as the entry is still its
  /// own. Every Enter that answered true needs one Leave.
  bool Enter(const std::atomic<bool>* shutOut = nullptr);
  void Leave() noexcept;
  /// True while any thread is inside a data call. A call that enters after ShutOut was set and
  /// this answered false is refused.
  bool AnyInside();
  /// The calling thread's list: Primary for the first thread, a list of its own for every other.
  /// Null when Primary is null (the instance is not loaded).
  TzetRowsParamsList* ForCaller(TzetRowsParamsList* primary);
  /// Forgets every thread and frees the lists made here. Only while no data call runs.
  void Reset() noexcept;
  /// True when the table is in the state its comment above describes, for Primary. For tests.
  bool CheckInvariants(const TzetRowsParamsList* primary);
  /// The entries the table holds, with a thread or free.
  std::size_t EntryCount();

private:
  /// An entry's owner tag and the data calls of its thread under way, in one word, so that
  /// counting in on an entry that has meanwhile changed hands fails, and that an entry with a
  /// call under way cannot change hands.
  static constexpr int kCallBits = 20;
  static constexpr uint64_t kCallMask = (uint64_t{1} << kCallBits) - 1;
  static uint64_t TagOf(uint64_t state) noexcept { return state >> kCallBits; }
  static uint64_t CallsOf(uint64_t state) noexcept { return state & kCallMask; }

  struct Entry {
    std::thread::id Thread;    // none while the entry is free
    platform::ThreadLife Life; // of Thread, to find the entries of threads that have ended
    std::atomic<uint64_t> State{0};
    TzetRowsParamsList* List = nullptr; // Primary or Owned
    std::unique_ptr<TzetRowsParamsList> Owned;
  };
  /// The calling thread's entry, made, or reused when it has none. Caller holds lock_.
  Entry& EntryOfCaller();
  /// Gives an idle entry (no call under way) a new owner tag: true when it was idle. Caller
  /// holds lock_.
  static bool Claim(Entry& entry) noexcept;
  /// Makes Entry the calling thread's (Self), following its life, its list (if any) emptied.
  /// Caller holds lock_.
  static void GiveToCaller(Entry& entry, std::thread::id self);
  /// The first entry without a thread and without a call under way, or null. Caller holds lock_.
  Entry* FreeEntry() const;
  /// Frees the entries of threads that have ended, their lists emptied and kept for the next
  /// thread; answers how many. Caller holds lock_.
  std::size_t ReclaimEnded();
  /// Entry's list, given one when it has none (Primary when no other entry has it); kept for
  /// the calling thread while it is inside a call. Caller holds lock_.
  TzetRowsParamsList* ListOf(Entry& entry, TzetRowsParamsList* primary);

  /// Unique across all tables: a thread's remembered entry belongs to this table only when its
  /// remembered table id is this one. Entries live as long as the table.
  const uint64_t id_;
  std::mutex lock_;
  std::vector<std::unique_ptr<Entry>> entries_;
  /// The size at which a thread new to the table next looks for entries of ended threads.
  std::size_t scanAt_ = kScanAfter;
};
