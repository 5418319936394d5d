// The runtime's standard message box for an exception that an event handler let out.
#pragma once

#include <string_view>

namespace platform {

/// Shows Text in a modal error message box (Windows) or writes it to the debugger output
/// (POSIX stand-in, which has no screen). Never raises.
void ShowErrorBox(std::string_view title, std::string_view text) noexcept;

} // namespace platform
