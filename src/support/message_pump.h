// Message pumping for the calling thread and polling waits on Boolean flags.
//
// The library's code runs on the host's threads, some of which own windows; while the library
// waits, their messages must keep flowing. Everything here works on the calling thread's own
// queue and touches no shared state.
#pragma once

#include "platform/message_pump.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>

namespace support {

/// Takes one message of the calling thread without waiting. A window message is translated and
/// dispatched (an exception from its procedure is swallowed); a thread message is dropped.
/// False when there was none, and for the quit message, which is posted again with its exit
/// code so that the thread's own message loop still sees it; Msg then holds it.
bool PumpOne(platform::Message& msg);

/// Takes messages with PumpOne until none is left, at most MaxCount of them (0: no limit), and
/// gives up the time slice after every tenth. Answers how many were taken.
uint32_t ProcessMessages(uint32_t maxCount = 0);

/// True when the library's application object reports that it is terminating.
bool IsApplicationTerminated();

/// Options of WaitForFlags (a set of bits).
enum TWaitForFlagsOption : uint8_t {
  wfIgnoreTerminated = 1 << 0, // keep waiting even when the application is terminating
  wfNoPump = 1 << 1,           // do not pump messages while waiting
};
using TWaitForFlagsOptions = uint8_t;

/// How a wait pauses between two looks at its flags. The defaults are the library's; tests
/// shorten the pause or count pumps and pauses through the hooks.
struct TWaitPacing {
  uint32_t pollMs = 50;
  /// Replaces the pumping of one pause (empty: the calling thread's messages are processed).
  std::function<void()> pump;
  /// Replaces the pause itself (empty: the thread sleeps PollMs).
  std::function<void(uint32_t ms)> sleep;
};

/// Waits while every flag is true, keeping the caller's messages flowing unless wfNoPump is set.
/// True exactly when a flag was found false; false when TimeoutMs (0: no limit) passed first,
/// when a pointer is null, or when the application is terminating (unless wfIgnoreTerminated).
/// The flags are looked at once before the first pause, so a flag that is already false answers
/// at once, without pumping or pausing; later looks follow each pump and pause.
bool WaitForFlags(uint32_t timeoutMs, std::span<const std::atomic<bool>* const> flags,
                  TWaitForFlagsOptions options = 0, const TWaitPacing& pacing = {});
bool WaitForFlags(uint32_t timeoutMs, std::initializer_list<const std::atomic<bool>*> flags,
                  TWaitForFlagsOptions options = 0, const TWaitPacing& pacing = {});

} // namespace support
