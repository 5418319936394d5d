#include "platform/file_read.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::FILE* OpenForReadingWithoutWriters(const std::string& fileName) {
  // Advisory locks would bind only those that ask for them; the callers' own lock serialises
  // the store's users, and replacing writers never change a file that is being read.
  return std::fopen(fileName.c_str(), "rb");
}

bool ReadWholeFile(const std::string& fileName, std::string& content, std::string& error) {
  const int file = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    error = std::strerror(errno);
    return false;
  }
  char buffer[8192];
  ssize_t got;
  while ((got = ::read(file, buffer, sizeof buffer)) != 0) {
    if (got > 0) {
      content.append(buffer, static_cast<std::size_t>(got));
    } else if (errno != EINTR) {
      error = std::strerror(errno);
      ::close(file);
      return false;
    }
  }
  ::close(file);
  return true;
}

bool ReadingShutsOutWriters() noexcept {
  return false;
}

} // namespace platform
