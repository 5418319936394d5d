// Reading files. A whole-file store that reads a file another program is still writing would see
// a part of it, and writing that part back would lose the rest; so its read is refused while any
// other handle holds the file open for writing, and no handle may open it for writing while it is
// read. A file that is only read, such as a language file, is read whole and shared with all.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

/// Opens FileName (an 8-bit path in the system code page) for reading in binary mode with other
/// writers shut out. Null when that fails, with errno set: ENOENT when the file does not exist,
/// EACCES among others while another handle holds it open for writing. POSIX has no sharing
/// modes; there the file is opened for reading as it is.
std::FILE* OpenForReadingWithoutWriters(const std::string& fileName);

/// Reads the whole of FileName (an 8-bit path in the system code page) into Content, sharing the
/// file with every other reader and writer. False when the file cannot be opened or read to its
/// end; Error then receives the system's description of the cause and Content what was read.
bool ReadWholeFile(const std::string& fileName, std::string& content, std::string& error);

/// True where OpenForReadingWithoutWriters refuses a file that another handle holds open for
/// writing (Windows); false where files have no sharing modes (POSIX).
bool ReadingShutsOutWriters() noexcept;

} // namespace platform
