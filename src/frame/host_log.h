// The host log channel. A module has no log of its own: each line goes to the host's message
// window at once when the host takes it; otherwise the instance keeps it in LogLines and tells
// the host to fetch it with GetLogEx.
//
// A log line is one character for its level (level + 1: 0x01 failures and call stacks, 0x02
// errors, 0x03 success), then the instance's LogTitle and ". " when the title is not empty, then
// the message with every CR and LF replaced by a blank.
//
// Lines are sent and kept only while the instance has a message window (MessagesProcessorHandle
// not 0). Any thread may log; LogLines has its own lock, and messages are sent outside it. No
// routine here lets a failure reach its caller.
//
// The export GetLogEx (declared with the other exports in descriptor_exports.h) is defined with
// these routines: it hands the kept lines to the host in a buffer the host lends.
#pragma once

#include "frame/plugin.h"

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace frame {

/// Levels of log lines.
enum TLogLevel : int32_t { llFailure = 0, llError = 1, llSuccess = 2 };

/// The log line for Message at Level; without an instance the line has no title.
std::string FormatLine(const TzetPlugin* instance, int32_t level, std::string_view message);

/// Sends the line to the host window at once, with the lines kept before it ahead of it; keeps
/// it and notifies the host when a send fails. Waits at most about one second per send.
void PostLogLine(TzetPlugin* instance, int32_t level, std::string_view message) noexcept;

/// Keeps the line for GetLogEx and posts the notice that lines are waiting.
void QueueLogLine(TzetPlugin* instance, int32_t level, std::string_view message) noexcept;

/// Reports a caught failure: "{Label} message" (just the message without a label) is kept as a
/// failure line of Instance, when given, and written to the debugger output followed by ": " and
/// the current call stack.
void LogException(TzetPlugin* instance, std::string_view label,
                  const std::exception& failure) noexcept;
/// The same for the failure being handled when it is not a std::exception (or for none), with a
/// fixed message; inside a handler of a std::exception its message is used.
void LogException(TzetPlugin* instance, std::string_view label) noexcept;

/// Keeps the current thread's call stack, when there is one, as a failure line of Instance.
void QueueCallStack(TzetPlugin* instance) noexcept;

} // namespace frame
