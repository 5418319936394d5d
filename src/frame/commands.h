// The command protocol: ExecutePluginCommand and the dispatcher of command words.
#pragma once

#include "frame/plugin.h"

#include <cstdint>
#include <string>

namespace frame {

/// Unit named in the frame's assertion failures.
constexpr const char* kFrameUnit = "Private/Plugins/zetPluginModule";

/// Runs one command for Instance under its CommandLock; a nested command of the same thread
/// raises "Nested plugin commands are not allowed".
int32_t Dispatch(TzetPlugin& instance, const std::string& command, PPluginCallRec rec);

} // namespace frame
