// The system's own description of a Win32 error code, for messages that tell the user why a
// call failed.
#pragma once

#include "platform/win32/windows_include.h"

#include <string>

namespace platform {

/// The system's message for Code without its trailing line break; "error <code>" when the system
/// has none.
std::string SystemErrorText(DWORD code);

} // namespace platform
