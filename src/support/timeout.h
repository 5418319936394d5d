// Elapsed-time measurement on the system's millisecond tick counter (unit zetTimeout).
//
// A TzetTimeout answers whether an interval has passed since it was (re)started. With a 32-bit
// tick source the tracker extends the counter itself, counting its wraps in High, so that a wrap
// during a measurement does not break it; with a 64-bit source the reading is used as it is.
// A tracker has no lock: it belongs to one user at a time (a field guarded by its owner's lock,
// or a local of a waiting call).
#pragma once

#include "platform/ticks.h"

#include <cstdint>

struct TzetTimeout {
  uint64_t Start = 0;    // tick count (ms) at the last restart; 0 means never started
  uint64_t Deadline = 0; // Start + Interval
  uint32_t LastLow = 0;  // low half of the last reading (32-bit source only)
  uint32_t High = 0;     // high half that extends the 32-bit source
  uint32_t Interval = 0; // interval in ms used for Deadline
  bool Armed = false;    // Deadline was fixed by StartTimeout
};

/// Sets every field to 0: the tracker counts as never started.
void ClearTimeout(TzetTimeout& t);
/// Starts measuring now, without an interval.
void RestartTimeout(TzetTimeout& t);
/// Starts measuring now and fixes the deadline Ms milliseconds ahead.
void StartTimeout(TzetTimeout& t, uint32_t ms);
/// Sets Interval and computes Deadline again from Start.
void SetTimeoutInterval(TzetTimeout& t, uint32_t ms);
/// The current tick value on this tracker's scale (updates the wrap bookkeeping).
uint64_t TimeoutNow(TzetTimeout& t);
/// True when the tracker was never started (Start is 0).
bool IsTimeoutClear(const TzetTimeout& t);
/// True when Ms milliseconds have passed since the last start or restart; always true for a
/// cleared tracker. Unless the tracker is armed, the deadline is taken from Ms on every call.
bool TimeoutExpired(TzetTimeout& t, uint32_t ms);
/// TimeoutExpired(T, Ms), then RestartTimeout(T), on one reading of the clock.
bool RestartTimeoutExpired(TzetTimeout& t, uint32_t ms);
/// True when the deadline fixed by the last StartTimeout has passed.
bool TimeoutExpiredNow(TzetTimeout& t);

namespace support {

/// Chooses the module-wide tick source from what the system offers. Called at library start;
/// later calls, also from several threads at once, change nothing. A tracker used before it
/// chooses the source itself.
void SelectTickSource();

/// Replaces the module-wide tick source (null: the system's source again) and answers the one
/// in use before. Source must stay alive while it is installed. For tests only: trackers keep
/// their readings, so no tracker may be in use across the change.
const platform::TickSource* SetTickSourceForTesting(const platform::TickSource* source);

} // namespace support
