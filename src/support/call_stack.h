// The call-stack text of a failing thread, framed with a title and routed to a caller's sink.
// The frame routes it into the host log and the debugger output when a command or a data call
// fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace support {

/// Receives a non-empty call-stack text together with the caller's Context.
using TCallStackSink = void (*)(uintptr_t context, const std::string& text);

/// The call stack of the current thread (inside a handler: where the failure was caught).
/// Empty when there is no stack text; otherwise Title, CR LF and the text when Title is not
/// empty, else the text alone. Never raises.
std::string GetCallStackText(std::string_view title) noexcept;

/// Hands GetCallStackText (Title) to Sink with Context, unless the text is empty or there is no
/// Sink. Never raises; a failing Sink is ignored.
void LogCallStack(std::string_view title, TCallStackSink sink, uintptr_t context) noexcept;

/// Where the raw stack text comes from; tests replace it to get a known text.
using TStackTextSource = std::string (*)();
/// Installs Source (null restores the thread's real stack) and answers the one before.
TStackTextSource SetStackTextSource(TStackTextSource source) noexcept;

} // namespace support
