#include "support/timeout.h"

#include <atomic>
#include <mutex>

namespace support {
namespace {

platform::TickSource gSystemSource{false, nullptr};
std::once_flag gSystemSourceChosen;
std::atomic<const platform::TickSource*> gSource{nullptr};

const platform::TickSource* SystemSource() {
  std::call_once(gSystemSourceChosen, [] { gSystemSource = platform::SystemTickSource(); });
  return &gSystemSource;
}

} // namespace

void SelectTickSource() {
  const platform::TickSource* expected = nullptr;
  gSource.compare_exchange_strong(expected, SystemSource(), std::memory_order_acq_rel);
}

const platform::TickSource* SetTickSourceForTesting(const platform::TickSource* source) {
  return gSource.exchange(source ? source : SystemSource(), std::memory_order_acq_rel);
}

namespace {

const platform::TickSource& Source() {
  const platform::TickSource* source = gSource.load(std::memory_order_acquire);
  if (!source) {
    SelectTickSource();
    source = gSource.load(std::memory_order_acquire);
  }
  return *source;
}

// A reading of the source: a 32-bit source never contributes a high half.
uint64_t Reading(const platform::TickSource& source) {
  const uint64_t value = source.read();
  return source.is64 ? value : static_cast<uint32_t>(value);
}

} // namespace
} // namespace support

void ClearTimeout(TzetTimeout& t) {
  t = TzetTimeout{};
}

void RestartTimeout(TzetTimeout& t) {
  const uint64_t now = support::Reading(support::Source());
  t.Start = now;
  t.LastLow = static_cast<uint32_t>(now);
  t.High = static_cast<uint32_t>(now >> 32);
  t.Deadline = 0;
  t.Armed = false;
}

void StartTimeout(TzetTimeout& t, uint32_t ms) {
  RestartTimeout(t);
  SetTimeoutInterval(t, ms);
  t.Armed = true;
}

void SetTimeoutInterval(TzetTimeout& t, uint32_t ms) {
  t.Interval = ms;
  t.Deadline = t.Start + ms;
}

uint64_t TimeoutNow(TzetTimeout& t) {
  const platform::TickSource& source = support::Source();
  const uint64_t now = support::Reading(source);
  if (source.is64)
    return now;
  const uint32_t low = static_cast<uint32_t>(now);
  if (low < t.LastLow)
    ++t.High; // the 32-bit counter wrapped since the last reading
  t.LastLow = low;
  return (static_cast<uint64_t>(t.High) << 32) | t.LastLow;
}

bool IsTimeoutClear(const TzetTimeout& t) {
  return t.Start == 0;
}

bool TimeoutExpired(TzetTimeout& t, uint32_t ms) {
  if (IsTimeoutClear(t))
    return true;
  if (!t.Armed)
    SetTimeoutInterval(t, ms);
  return TimeoutNow(t) >= t.Deadline;
}

bool RestartTimeoutExpired(TzetTimeout& t, uint32_t ms) {
  const bool clear = IsTimeoutClear(t);
  if (!clear && !t.Armed)
    SetTimeoutInterval(t, ms);
  // The reading on the tracker's scale starts the next measurement as a fresh reading would.
  const uint64_t now = TimeoutNow(t);
  const bool expired = clear || now >= t.Deadline;
  t.Start = now;
  t.LastLow = static_cast<uint32_t>(now);
  t.High = static_cast<uint32_t>(now >> 32);
  t.Deadline = 0;
  t.Armed = false;
  return expired;
}

bool TimeoutExpiredNow(TzetTimeout& t) {
  return TimeoutNow(t) >= t.Deadline;
}
