#include "platform/file_read.h"

namespace platform {

std::FILE* OpenForReadingWithoutWriters(const std::string& fileName) {
  // Advisory locks would bind only those that ask for them; the callers' own lock serialises
  // the store's users, and replacing writers never change a file that is being read.
  return std::fopen(fileName.c_str(), "rb");
}

bool ReadingShutsOutWriters() noexcept {
  return false;
}

} // namespace platform
