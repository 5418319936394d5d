// The aggregation engine: merges the values of several packets into a pending row and releases
// the row when every configured variable has received a non-empty value ("a non-empty value marks
// its variable; at a row marker or the packet's end, the row is released when every variable is
// marked").
//
// It works in one of two modes, chosen by the options. The plain mode keeps one pending row, one
// group without a key, and ends it only by the inactivity timeout, measured from one data call
// to the next. The grouped mode (any advanced option set) keeps a pending row per value of the
// group variable, with timers of their own: rows end by the timeout, the age limit or an
// eviction (released incomplete or discarded), and values expire after their lifetime. Both
// modes merge a packet, release a row and fill the row released last again in place through
// the same code; they differ in how a packet finds its group, how a name finds its pending item
// (see pending_lookup.h) and which timers run. What the merge step does with a value that comes
// again (merge_strategy.h), the clock the timers read (the system's, or the packets' own times)
// and the state file that keeps the pending rows across a restart (aggregation_state.cpp) are
// the same for both.
//
// Nothing here takes a lock: the module calls every member under the engine lock.
#pragma once

#include "data/item_recycler.h"
#include "data/params_list.h"
#include "filter/aggregation_groups.h"
#include "filter/aggregation_options.h"
#include "filter/aggregation_stats.h"
#include "filter/pending_lookup.h"
#include "filter/pending_slots.h"
#include "filter/seen_names.h"
#include "rtl/pointer_list.h"
#include "support/timeout.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TAggregationEngine {
public:
  /// Vars: the configured variables (TAggregationListItem), read where they are; the list
  /// outlives the engine and changes only together with a Configure. Recycler: where the items
  /// of the output rows and the pending rows are kept between packets. It must outlive every
  /// output row the engine filled (a parked row's items stay in the row), so it is the owner's
  /// of those rows, not the engine's: the module's output lists outlive an UNLOAD.
  TAggregationEngine(const TObjectList& vars, TzetItemRecycler& recycler);
  TAggregationEngine(const TAggregationEngine&) = delete;
  TAggregationEngine& operator=(const TAggregationEngine&) = delete;

  /// Takes new settings over, after the variables changed: every pending row, every mark and
  /// every name learnt is forgotten. The counters and the clock stay.
  void Configure(uint32_t timeoutMs, bool noReset, const TAggregationOptions& options);
  /// Empties every pending row and clears every mark.
  void Reset();
  /// What Configure took over: the timeout in milliseconds (0: none) and the advanced options.
  uint32_t TimeoutMs() const { return timeoutMs_; }
  const TAggregationOptions& Options() const { return options_; }
  /// One packet. Rows is the calling thread's output list as its last call left it: it gets
  /// the rows released by this packet (and rows ended by the timers before it), or is emptied.
  /// False when no variable is configured: the call then has no output at all.
  bool ProcessPacket(TzetParamsListRef input, TzetRowsParamsList& rows);

  /// The number of groups holding a pending row (the plain mode's row counts as one group).
  int32_t Holding();
  const TAggregationStats& Stats() const { return stats_; }
  void ResetStats() { stats_.Reset(); }

  /// True when the state holds what it promises: the recycler and the group table hold; every
  /// mark stands for a configured variable whose value the row holds; the lookup of each row
  /// finds exactly its items; each value has its time when values have a lifetime; the plain
  /// mode has its one group and no timers.
  bool CheckInvariants();
  /// A number that changes with every setting that the engine's pending state depends on: the
  /// variables, the timeout, the reset option and the advanced options.
  uint64_t ConfigurationId() const;
  /// The pending rows, their marks, tallies and times, and the open groups, as the bytes of a
  /// state file for ConfigurationId (aggregation_state.cpp). WallMs: the time of day in
  /// milliseconds, by which a later RestoreState counts the time in between.
  std::string SaveState(int64_t wallMs);
  /// Takes back what SaveState wrote, at WallMs: the timers count the time since the save as
  /// passed without a packet, so that rows that expired meanwhile end at the next packet. False,
  /// with the reason in Why, for bytes that are not a whole state file of this configuration
  /// (cut, changed, of another version or configuration): the engine is then as it was.
  bool RestoreState(std::string_view bytes, int64_t wallMs, std::string& why);
  /// What the host log should say about the last packets (a value left out by its merge
  /// strategy, joined texts cut), moved into Notes; false when there is nothing.
  bool TakeNotes(std::vector<std::string>& notes) {
    if (notes_.empty())
      return false;
    notes.swap(notes_);
    notes_.clear();
    return true;
  }
  /// Builds with AGG_CHECK_INVARIANTS (the sanitizer and fuzzing builds) stop the process here
  /// when CheckInvariants fails; other builds do nothing.
  void AssertInvariants();

  /// Lets the engine fill the row released last again in place (on unless a test compares it
  /// with the general way).
  bool RefillRows = true;
  /// The engine's clock, read once per packet; in the plain mode also the time of the previous
  /// data call, from which the timeout is measured. Zero until the first packet.
  TzetTimeout TimeoutTracker{};

private:
  using SeenName = TSeenNames::Entry;
  /// The plain mode's one group, opened by Configure and never closed.
  static constexpr int32_t kSingleGroup = 0;

  const SeenName& Learn(int32_t position, const TzetParamsListItem& item) {
    return seenNames_.Learn(position, item, vars_, recycler_);
  }
  /// Numbers the names anew, keeping the plain row's, when the learner has given too many ids.
  void RenumberNames();

  // The merge step (aggregation_engine.cpp).
  /// Merges Input into Slot's pending row with Lookup, the row's lookup, and releases the row
  /// into Rows at the first check point where every variable is marked. RowsHeld: Rows still
  /// holds the row released last, to be filled again in place at a release (cleared when done).
  template <PendingLookup Lookup>
  void Merge(int32_t slot, Lookup lookup, TzetParamsListRef input, TzetRowsParamsList& rows,
             bool& rowsHeld);
  /// Stores Value under the name of Seen in Group's row, merged by the strategy of its variable;
  /// false when nothing was stored (a blank name, or a value the strategy leaves out).
  template <PendingLookup Lookup>
  bool Store(TAggregationGroup& group, Lookup& lookup, const SeenName& seen,
             const platform::VariantRec& value);
  /// Writes Value into the item At of Group's row (Lookup's answer for Seen), or adds the item
  /// when At is -1; false when nothing was stored (a blank name).
  template <PendingLookup Lookup, class Value>
  bool Put(TAggregationGroup& group, Lookup& lookup, const SeenName& seen, int32_t at,
           Value&& value);
  void NoteMisfit(int32_t var);
  void NoteCut(TAggregationGroup& group, int32_t var);
  void ReleaseRow(int32_t slot, TzetRowsParamsList& rows, bool& rowsHeld);
  void EmptyGroup(int32_t slot);

  // Groups and timers of the grouped mode (aggregation_timers.cpp).
  /// The packet's key into key_, and the slot of its group or -1.
  int32_t FindGroup(TzetParamsListRef input);
  /// The group of Slot (FindGroup), opened when new (after an eviction when the table is full),
  /// and marked as having had a packet now.
  int32_t GroupOf(int32_t slot, TzetRowsParamsList& rows);
  /// Moves the clock of the packets' own times by the time Input carries, and answers where it
  /// stands.
  uint64_t EventTime(TzetParamsListRef input);
  /// True when the timeout has passed since Group's last packet, on the engine's clock or on
  /// the system clock (which ends the rows of a source that went silent).
  bool TimedOut(const TAggregationGroup& group) const;
  /// True when a value or a row is due to end now: the packet ends it first.
  bool ExpiryDue();
  void ExpireValues();
  void ExpireRows(TzetRowsParamsList& rows);
  /// Ends the pending row of Slot's group: released incomplete or discarded, then emptied.
  void EndRow(int32_t slot, TRowEndReason reason, TzetRowsParamsList& rows);
  void AppendPartialRow(TAggregationGroup& group, TRowEndReason reason, TzetRowsParamsList& rows);
  /// True when Group's pending row holds the group key's item and nothing else.
  bool HoldsOnlyItsKey(const TAggregationGroup& group) const;

  // The shortcut for the steady state (row_refill.cpp).
  /// A packet that makes a row of its own in its group (Found, or -1 for a new group) with the
  /// names of the row released last fills Rows again in place. True when it released the row
  /// so; false when the general way must take the packet (what it wrote into Rows by then does
  /// not show: the general way empties Rows first or fills it whole).
  bool RefillReleasedRow(TzetParamsListRef input, int32_t found, TzetRowsParamsList& rows);

  const TObjectList& vars_;
  bool grouped_ = false;
  bool noReset_ = false;
  uint32_t timeoutMs_ = 0;
  TAggregationOptions options_;
  /// Bit K: variable K merges by a strategy other than "Last".
  uint32_t mergeMask_ = 0;
  /// Bit K: variable K's strategy makes of a single value another one (see KeepsASingleValue).
  uint32_t reshapeMask_ = 0;
  /// A misfit was said in the host log since the last Configure.
  bool misfitNoted_ = false;
  std::vector<std::string> notes_;
  TzetItemRecycler& recycler_;
  TAggregationGroups groups_{1};
  /// What the engine learnt about the input names, by position in the packet.
  TSeenNames seenNames_;
  /// The plain mode's lookup of its row, by name id; in the grouped mode they only serve the
  /// shortcut to find a name that comes twice in a packet.
  TPendingSlots slots_;
  TAggregationStats stats_;
  /// The time of this packet on the engine's clock (grouped mode): the system clock, read once,
  /// or with a time variable the clock of the packets' own times.
  uint64_t now_ = 0;
  /// The time of this packet on the system clock (grouped mode).
  uint64_t systemNow_ = 0;
  /// The clock of the packets' own times: where it stands, and the last packet time taken.
  double eventClock_ = 0;
  double lastEventMs_ = 0;
  bool eventSeen_ = false;
  /// The earliest time at which a pending value can have outlived the lifetime.
  uint64_t nextValueExpiry_ = UINT64_MAX;
  /// The key text of the packet being merged.
  std::string key_;
  rtl::AnsiString statusName_;
  rtl::AnsiString statusLower_;
};
