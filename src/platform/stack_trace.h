// The call stack of the calling thread as text, for the failure reports in the host log and the
// debugger output.
#pragma once

#include <string>

namespace platform {

/// The return addresses on the calling thread's stack, innermost first, one line per frame
/// ("<module file name>+0x<offset>", or "0x<address>" outside every module), the lines separated
/// by CR LF. SkipFrames innermost frames beyond this function are left out; at most MaxFrames
/// lines are produced. Answers the empty text when the stack cannot be read; never raises.
std::string CurrentStackText(unsigned skipFrames, unsigned maxFrames) noexcept;

} // namespace platform
