#include "platform/folders.h"

#include "platform/codepage.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace platform {

bool CreateFolders(const std::string& path, std::string& error) {
  const std::u16string wide = AnsiToWide(path);
  const std::filesystem::path folder(std::wstring(wide.begin(), wide.end()));
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (!code || std::filesystem::is_directory(folder, code))
    return true;
  error = code.message();
  return false;
}

} // namespace platform
