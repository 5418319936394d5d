// Creating the folders of a path that a file is about to be written to.
#pragma once

#include <string>

namespace platform {

/// Creates the folder Path (an 8-bit path in the system code page) and every folder above it
/// that is missing. True when the folder exists afterwards; Error then is untouched, else it
/// receives the system's description of the cause.
bool CreateFolders(const std::string& path, std::string& error);

} // namespace platform
