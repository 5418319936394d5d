// The monotonic clock in milliseconds; its low half stands in for a 32-bit tick counter.
#include "platform/ticks.h"

#include <time.h>

namespace platform {
namespace {

uint64_t MonotonicMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
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
