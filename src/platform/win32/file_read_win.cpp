#include "platform/file_read.h"
#include "platform/win32/system_error_win.h"

#include <share.h>

namespace platform {

std::FILE* OpenForReadingWithoutWriters(const std::string& fileName) {
  // Read sharing only: the open fails with a sharing violation (EACCES) while another handle has
  // write access, and later opens for writing fail while this one is open.
  return ::_fsopen(fileName.c_str(), "rb", _SH_DENYWR);
}

bool ReadWholeFile(const std::string& fileName, std::string& content, std::string& error) {
  const HANDLE file = ::CreateFileA(
      fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = SystemErrorText(::GetLastError());
    return false;
  }
  char buffer[8192];
  DWORD got = 0;
  bool ok;
  while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0)
    content.append(buffer, got);
  if (!ok)
    error = SystemErrorText(::GetLastError());
  ::CloseHandle(file);
  return ok;
}

bool ReadingShutsOutWriters() noexcept {
  return true;
}

} // namespace platform
