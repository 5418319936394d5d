// Millisecond tick counters of the system, for measuring elapsed time.
#pragma once

#include <cstdint>

namespace platform {

/// One millisecond tick counter. A 32-bit source wraps about every 49.7 days and its readings
/// always have a high half of 0; a 64-bit source does not wrap in practice.
struct TickSource {
  bool is64;
  uint64_t (*read)();
};

/// The best counter the system offers: the 64-bit one where it exists, else the 32-bit one.
/// The choice is made at the first call and stays the same afterwards.
TickSource SystemTickSource();
/// The system's 32-bit counter (on systems that only have a wider clock, its low half).
TickSource SystemTickSource32();

} // namespace platform
