#include "platform/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace platform {

std::FILE* CreateForWriting(const std::string& fileName) {
  // "e": closed on exec.
  return std::fopen(fileName.c_str(), "wbe");
}

bool MoveFileReplacing(const std::string& source, const std::string& target, std::string& error) {
  // The new file takes over the permissions of the one it replaces, as an in-place rewrite would.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0)
    ::chmod(source.c_str(), old.st_mode & 07777);
  if (std::rename(source.c_str(), target.c_str()) == 0)
    return true;
  error = std::strerror(errno);
  return false;
}

} // namespace platform
