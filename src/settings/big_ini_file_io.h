// File access of the INI file store: reading a file as a stream of bytes, and writing a whole
// file so that it replaces the old one in one step.
#pragma once

#include <cstdio>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

namespace ini_io {

/// A file opened for reading in binary mode with other writers shut out (on Windows an open fails
/// while another handle has the file open for writing), read as a std::istream. Read errors are
/// kept so that a caller can tell a failed read from the end of the file.
class TFileReadStream : public std::istream {
public:
  ~TFileReadStream() override;
  /// Opens FileName; null when the file does not exist. Raises EFOpenError when it exists but
  /// cannot be opened.
  static std::unique_ptr<TFileReadStream> Open(const std::string& fileName);
  /// The cause of the first read error, empty when every read succeeded.
  const std::string& ReadError() const noexcept { return buffer_.Error; }

private:
  struct TBuffer : std::streambuf {
    std::FILE* File = nullptr;
    std::string Error;
    char Single = 0;
    int_type underflow() override;
    std::streamsize xsgetn(char* target, std::streamsize count) override;
  };
  explicit TFileReadStream(std::FILE* file);

  TBuffer buffer_;
};

/// Writes Text as the whole content of FileName: into a new file beside it first, which then
/// replaces FileName. Raises EFCreateError when any step fails; FileName is then unchanged and no
/// temporary file is left behind.
void WriteWholeFile(const std::string& fileName, std::string_view text);

} // namespace ini_io
