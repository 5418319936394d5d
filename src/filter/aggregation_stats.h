// The aggregation engine's counters, which the host reads as the named properties "Stats.*" and
// resets with the command "RESET-STATS". The engine keeps them under the engine lock, so counting
// is a plain increment on the data path.
#pragma once

#include <cstdint>
#include <string_view>

/// Why the last row ended.
enum TRowEndReason : uint8_t { rerNone, rerComplete, rerTimeout, rerAge };

struct TAggregationStats {
  /// Data calls with an input list.
  uint64_t Packets = 0;
  /// Rows released, partial ones included.
  uint64_t Rows = 0;
  /// Partial rows released.
  uint64_t Partial = 0;
  /// Non-empty, incomplete rows ended without release.
  uint64_t Discarded = 0;
  /// Values a numeric merge strategy left out because they were not numbers.
  uint64_t Misfits = 0;
  TRowEndReason LastReason = rerNone;

  void RowReleased() {
    ++Rows;
    LastReason = rerComplete;
  }
  void PartialReleased(TRowEndReason reason) {
    ++Rows;
    ++Partial;
    LastReason = reason;
  }
  void RowDiscarded(TRowEndReason reason) {
    ++Discarded;
    LastReason = reason;
  }
  void Reset() { *this = TAggregationStats{}; }
};

/// "complete", "timeout", "age", or "" before any row ended.
std::string_view RowEndReasonText(TRowEndReason reason);
