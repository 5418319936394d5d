#include "platform/folders.h"

#include <filesystem>
#include <system_error>

namespace platform {

bool CreateFolders(const std::string& path, std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(path, code);
  if (!code || std::filesystem::is_directory(path))
    return true;
  error = code.message();
  return false;
}

} // namespace platform
