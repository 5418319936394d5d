// The aggregation engine's path for the advanced options: rows that end by the timeout, the age
// limit or an eviction (released incomplete or discarded), values that expire in the "do not
// reset" mode, and one pending row per value of a group variable. The data handler takes it
// instead of the plain path as soon as any of these options is set. Everything here runs under
// the engine lock.
#pragma once

#include "data/item_recycler.h"
#include "data/params_list.h"
#include "filter/aggregation_groups.h"
#include "filter/aggregation_options.h"
#include "filter/aggregation_stats.h"
#include "filter/pending_slots.h"
#include "filter/seen_names.h"
#include "rtl/pointer_list.h"
#include "support/timeout.h"

#include <cstdint>
#include <string>
#include <vector>

class TGroupedAggregation {
public:
  /// Recycler is the module's, which outlives this object.
  TGroupedAggregation(const TAggregationOptions& options, bool noReset, uint32_t timeoutMs,
                      TzetItemRecycler& recycler);
  TGroupedAggregation(const TGroupedAggregation&) = delete;
  TGroupedAggregation& operator=(const TGroupedAggregation&) = delete;

  /// One packet: first the rows and values that expired end, then Input is merged into the
  /// pending row of its group, which is released into Rows when it completes. Vars are the
  /// configured variables (TAggregationListItem); Rows is the calling thread's output list as
  /// the last call left it, emptied here (parked) unless Refill lets the row released last be
  /// filled again in place (see RefillReleasedRow).
  void ProcessPacket(TzetParamsListRef input, const TObjectList& vars, TzetRowsParamsList& rows,
                     TAggregationStats& stats, bool refill);
  /// The number of groups holding a pending row.
  int32_t Holding();
  /// Empties every pending row and forgets every group.
  void Reset();
  /// True when the group table holds (see TAggregationGroups) and every group's index covers
  /// exactly its pending row, with a time per value when values have a lifetime. For tests.
  bool CheckInvariants();

private:
  using SeenName = TSeenNames::Entry;
  /// What is known about the name of Item at Position (below the reserved count).
  const SeenName& Learn(int32_t position, const TzetParamsListItem& item, const TObjectList& vars) {
    return seenNames_.Learn(position, item, vars, recycler_, options_.GroupByLower);
  }
  /// The steady state of interleaved devices, before Rows is emptied and while nothing expires:
  /// a packet that makes a row of its own in a group whose pending row is empty (with the
  /// reset), or that brings a new value for every item of its group's kept row (without it),
  /// fills Rows again in place when Rows holds a row of the same names (see row_refill.cpp).
  /// Found: the packet's group (FindGroup). True when it released the row so; false when the
  /// general way must take the packet (what it wrote into Rows by then does not show: Rows is
  /// emptied first).
  bool RefillReleasedRow(TzetParamsListRef input, const TObjectList& vars, int32_t found,
                         TzetRowsParamsList& rows, TAggregationStats& stats);
  /// The slot of the packet's group, found as Slot (-1 for a new key, whose text is in key_):
  /// opened (after an eviction when the table is full) when the key is new.
  int32_t GroupOf(int32_t slot, const TObjectList& vars, TzetRowsParamsList& rows,
                  TAggregationStats& stats);
  /// The packet's key into key_, and the slot of its group or -1.
  int32_t FindGroup(TzetParamsListRef input, const TObjectList& vars);
  /// True when a value or a row is due to expire at now_: ProcessPacket would end it first.
  bool ExpiryDue();
  void ExpireValues(const TObjectList& vars);
  void ExpireRows(const TObjectList& vars, TzetRowsParamsList& rows, TAggregationStats& stats);
  /// Ends the pending row of Slot's group: released incomplete or discarded, then emptied.
  void EndRow(int32_t slot, TRowEndReason reason, const TObjectList& vars, TzetRowsParamsList& rows,
              TAggregationStats& stats);
  void AppendPartialRow(TAggregationGroup& group, TRowEndReason reason, const TObjectList& vars,
                        TzetRowsParamsList& rows);
  /// True when Group's pending row holds the group key's item and nothing else.
  bool HoldsOnlyItsKey(const TAggregationGroup& group) const;
  void ReleaseRow(int32_t slot, TzetRowsParamsList& rows);
  void EmptyGroup(int32_t slot);
  /// Stores Value under the input item's name in the group's pending row; false when nothing
  /// was stored (a blank name).
  bool Store(TAggregationGroup& group, const SeenName& seen, rtl::Variant&& value);

  const TAggregationOptions options_;
  const bool noReset_;
  const uint32_t timeoutMs_;
  TzetItemRecycler& recycler_;
  TAggregationGroups groups_;
  /// The clock of every timer here, read once per packet into now_.
  TzetTimeout clock_{};
  uint64_t now_ = 0;
  /// The earliest time at which a pending value can have outlived the lifetime.
  uint64_t nextValueExpiry_ = UINT64_MAX;
  /// The groups find their pending items through their own indexes; the ids only serve to find
  /// a name that comes twice in a packet (slots_), so the learner is simply emptied when a
  /// host's names have made them too many.
  TSeenNames seenNames_;
  TPendingSlots slots_;
  std::string key_;
  rtl::AnsiString statusName_;
  rtl::AnsiString statusLower_;
};
