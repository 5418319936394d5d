#include "settings/big_ini_file_io.h"

#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "settings/big_ini_file_errors.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

namespace ini_io {
namespace {

std::string Quoted(const std::string& fileName) {
  return "\"" + fileName + "\"";
}

std::string ErrnoText(int error) {
  return std::strerror(error);
}

// A name for the new copy in the same folder as the target, so that moving it into the target's
// place never crosses a volume. Unique enough that two writers of one folder never meet.
std::string TemporaryName(const std::string& fileName) {
  static std::atomic<uint32_t> counter{0};
  static const uint64_t seed = [] {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device() ^
           static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  const uint64_t tag = seed + 0x9E3779B97F4A7C15ull * ++counter;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(tag));
  return fileName + "." + hex + ".tmp";
}

} // namespace

TFileReadStream::TFileReadStream(std::FILE* file) : std::istream(nullptr) {
  buffer_.File = file;
  rdbuf(&buffer_);
}

TFileReadStream::~TFileReadStream() {
  std::fclose(buffer_.File);
}

std::unique_ptr<TFileReadStream> TFileReadStream::Open(const std::string& fileName) {
  errno = 0;
  // Another program still writing the file would leave only a part of it to read.
  std::FILE* file = platform::OpenForReadingWithoutWriters(fileName);
  if (!file) {
    const int error = errno;
    if (error == ENOENT)
      return nullptr;
    throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + ErrnoText(error));
  }
  return std::unique_ptr<TFileReadStream>(new TFileReadStream(file));
}

TFileReadStream::TBuffer::int_type TFileReadStream::TBuffer::underflow() {
  if (xsgetn(&Single, 1) != 1)
    return traits_type::eof();
  setg(&Single, &Single, &Single + 1);
  return traits_type::to_int_type(Single);
}

std::streamsize TFileReadStream::TBuffer::xsgetn(char* target, std::streamsize count) {
  std::streamsize done = 0;
  // A character that underflow() fetched comes first.
  if (gptr() && gptr() < egptr() && count > 0) {
    *target++ = *gptr();
    gbump(1);
    --count;
    ++done;
  }
  if (count <= 0 || !Error.empty())
    return done;
  errno = 0;
  const std::size_t got = std::fread(target, 1, static_cast<std::size_t>(count), File);
  if (got < static_cast<std::size_t>(count) && std::ferror(File))
    Error = errno ? ErrnoText(errno) : "read error";
  return done + static_cast<std::streamsize>(got);
}

void WriteWholeFile(const std::string& fileName, std::string_view text) {
  auto fail = [&](const std::string& cause) {
    throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + cause);
  };
  const std::string temporary = TemporaryName(fileName);
  errno = 0;
  // A test may make the steps fail as the system would (platform::FileWriteFaults).
  std::FILE* file = nullptr;
  if (const int fault = platform::FileWriteFaults::Fails(platform::fileFaultCreate))
    errno = fault;
  else
    file = platform::CreateForWriting(temporary);
  if (!file)
    fail(ErrnoText(errno));
  // Success is judged by the results alone: a call that succeeds may still change errno.
  const int writeFault = platform::FileWriteFaults::Fails(platform::fileFaultWrite);
  bool ok = !writeFault && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  int error = ok ? 0 : writeFault ? writeFault : errno;
  if (ok && std::fflush(file) != 0) {
    ok = false;
    error = errno;
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    std::remove(temporary.c_str());
    fail(ErrnoText(error ? error : EIO));
  }
  std::string cause;
  if (!platform::MoveFileReplacing(temporary, fileName, cause)) {
    std::remove(temporary.c_str());
    fail(cause);
  }
}

} // namespace ini_io
