// The debugger output of the process: the place where failure reports go besides the host log.
#pragma once

#include <string_view>

namespace platform {

/// Writes Text as one message to the debugger output. On Windows this is the system debugger
/// channel; elsewhere the text goes to stderr, one line, only when the environment variable
/// AGG_DEBUG_OUTPUT is set to a non-empty value, and nowhere otherwise. Never raises.
void DebugOutput(std::string_view text) noexcept;

/// Receives debugger output instead of the system, so that tests can read it.
using DebugOutputHook = void (*)(std::string_view text);
/// Installs Hook (null restores the system's output) and answers the one installed before.
DebugOutputHook SetDebugOutputHook(DebugOutputHook hook) noexcept;

} // namespace platform
