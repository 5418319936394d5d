// Opening a file for reading while shutting out writers. A whole-file store that reads a file
// another program is still writing would see a part of it, and writing that part back would lose
// the rest; so the read is refused while any other handle holds the file open for writing, and no
// handle may open it for writing while it is read.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

/// Opens FileName (an 8-bit path in the system code page) for reading in binary mode with other
/// writers shut out. Null when that fails, with errno set: ENOENT when the file does not exist,
/// EACCES among others while another handle holds it open for writing. POSIX has no sharing
/// modes; there the file is opened for reading as it is.
std::FILE* OpenForReadingWithoutWriters(const std::string& fileName);

/// True where OpenForReadingWithoutWriters refuses a file that another handle holds open for
/// writing (Windows); false where files have no sharing modes (POSIX).
bool ReadingShutsOutWriters() noexcept;

} // namespace platform
