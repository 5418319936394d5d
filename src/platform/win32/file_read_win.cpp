#include "platform/file_read.h"

#include <share.h>

namespace platform {

std::FILE* OpenForReadingWithoutWriters(const std::string& fileName) {
  // Read sharing only: the open fails with a sharing violation (EACCES) while another handle has
  // write access, and later opens for writing fail while this one is open.
  return ::_fsopen(fileName.c_str(), "rb", _SH_DENYWR);
}

bool ReadingShutsOutWriters() noexcept {
  return true;
}

} // namespace platform
