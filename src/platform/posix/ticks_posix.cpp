// The monotonic clock in milliseconds; its low half stands in for a 32-bit tick counter.
//
// The coarse clock is read: it advances in steps of the system's tick (a few milliseconds), much
// as the Windows tick counters do (10 to 16 ms), and a reading costs a few nanoseconds where the
// fine clock costs over 20 on a virtual machine. Every data call reads it once.
#include "platform/ticks.h"

#include <time.h>

namespace platform {
namespace {

uint64_t MonotonicMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint64_t Read32() {
  return static_cast<uint32_t>(MonotonicMs());
}

} // namespace

TickSource SystemTickSource() {
  return {true, &MonotonicMs};
}
TickSource SystemTickSource32() {
  return {false, &Read32};
}

} // namespace platform
