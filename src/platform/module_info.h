// Module handles, their file names and version resources.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/// Full file name of a loaded module; 0 names the library that contains this code.
std::string ModuleFileName(uintptr_t module);
/// The four numbers of a file's version resource, or nothing when it has none.
std::optional<std::array<uint16_t, 4>> FileVersion(const std::string& fileName);

} // namespace platform
