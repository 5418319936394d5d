// The output lists of one instance, one per calling thread.
//
// A data call publishes its rows in a list that stays owned by the instance and that the host
// reads after the call has returned. Several host threads may call one instance at once, so each
// calling thread gets a list of its own: a row released by a call reaches the thread that made
// the call, whatever other threads do meanwhile. A thread's list stays as its call left it until
// that thread's next data call for the instance, its release request or the last UNLOAD.
//
// The first thread that asks gets the instance's OutputRows, so a host that calls from one thread
// sees exactly the one output list the instance has always had. The table keeps up to
// kMaxCallerLists threads; beyond that, a new thread takes over the list of the thread that has
// not called for the longest time and is not inside a call.
#pragma once

#include "data/params_list.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TCallerOutputLists {
public:
  static constexpr std::size_t kMaxCallerLists = 64;

  TCallerOutputLists();

  /// Marks the calling thread as inside a data call: its list is not handed to another thread
  /// meanwhile, and once it has one, ForCaller answers it without a lock until the call ends.
  /// A thread that calls again finds its entry without the table's lock, as long as no entry
  /// changed hands in between. Primary: as for ForCaller. Every Enter needs one Leave.
  void Enter(TzetRowsParamsList* primary = nullptr);
  void Leave() noexcept;
  /// The calling thread's list: Primary for the first thread, a list of its own for every other.
  /// Null when Primary is null (the instance is not loaded).
  TzetRowsParamsList* ForCaller(TzetRowsParamsList* primary);
  /// Forgets every thread and frees the lists made here. Only while no data call runs.
  void Reset() noexcept;

private:
  struct Entry {
    std::thread::id Thread;
    std::atomic<int32_t> Calls{0}; // data calls of the thread under way
    std::atomic<uint64_t> LastUse{0};
    TzetRowsParamsList* List = nullptr; // Primary or Owned
    std::unique_ptr<TzetRowsParamsList> Owned;
  };
  /// The calling thread's entry, made or taken over when it has none. Caller holds lock_.
  Entry& EntryOfCaller();
  /// An idle entry (no call under way) for a new thread, the longest idle first; null when every
  /// entry is inside a call. Caller holds lock_.
  Entry* TakeIdleEntry();
  /// Marks Entry as the most recently used one. Threads that stamp at the same moment may get
  /// the same mark: the order among them does not matter.
  void Stamp(Entry& entry) noexcept;
  /// Entry's list, given one when it has none (Primary when no other entry has it); kept for
  /// the calling thread while it is inside a call. Caller holds lock_.
  TzetRowsParamsList* ListOf(Entry& entry, TzetRowsParamsList* primary);

  std::mutex lock_;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::atomic<uint64_t> clock_{0};
  /// Changes (to a value no table had before) whenever an entry changes hands or the table is
  /// reset: an entry a thread remembers from an earlier call is its own while this stands.
  std::atomic<uint64_t> epoch_;
};
