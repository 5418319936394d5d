#include "platform/posix/registry_values_file_posix.h"

#include "platform/posix/registry_tree_posix.h"
#include "platform/scoped_handle.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::registry_posix {
namespace {

constexpr char kValuesFile[] = ".values";
constexpr char kMagic[8] = {'A', 'G', 'G', 'R', 'E', 'G', '1', '\n'};

struct FileTraits {
  using Handle = int;
  static Handle Invalid() noexcept { return -1; }
  static bool IsValid(Handle h) noexcept { return h >= 0; }
  static void Close(Handle h) noexcept { ::close(h); }
};

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool GetU32(const std::string& in, std::size_t& pos, uint32_t& v) {
  if (in.size() - pos < 4)
    return false;
  v = 0;
  for (int i = 0; i < 4; ++i)
    v |= uint32_t(static_cast<unsigned char>(in[pos + i])) << (8 * i);
  pos += 4;
  return true;
}

RegStatus ReadAll(const std::string& file, std::string& content) {
  const ScopedHandle<FileTraits> fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd)
    return FromErrno(errno);
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return FromErrno(errno);
    if (n == 0)
      break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return kRegOk;
}

RegStatus WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return FromErrno(errno);
    done += static_cast<std::size_t>(n);
  }
  return kRegOk;
}

} // namespace

RegStatus LoadValues(const std::string& dir, std::vector<StoredValue>& values) {
  values.clear();
  std::string content;
  const RegStatus rc = ReadAll(dir + "/" + kValuesFile, content);
  if (rc == kRegNotFound)
    return kRegOk;
  if (rc != kRegOk)
    return rc;
  if (content.size() < sizeof kMagic || std::memcmp(content.data(), kMagic, sizeof kMagic) != 0)
    return kRegInvalidData;
  std::size_t pos = sizeof kMagic;
  uint32_t count = 0;
  if (!GetU32(content, pos, count))
    return kRegInvalidData;
  for (uint32_t i = 0; i < count; ++i) {
    StoredValue v;
    uint32_t nameLength = 0, dataLength = 0;
    if (!GetU32(content, pos, nameLength) || content.size() - pos < nameLength)
      return kRegInvalidData;
    v.name.assign(content, pos, nameLength);
    pos += nameLength;
    if (!GetU32(content, pos, v.type) || !GetU32(content, pos, dataLength) ||
        content.size() - pos < dataLength)
      return kRegInvalidData;
    v.data.assign(content.begin() + static_cast<std::ptrdiff_t>(pos),
                  content.begin() + static_cast<std::ptrdiff_t>(pos + dataLength));
    pos += dataLength;
    values.push_back(std::move(v));
  }
  return kRegOk;
}

RegStatus SaveValues(const std::string& dir, const std::vector<StoredValue>& values) {
  const std::string target = dir + "/" + kValuesFile;
  if (values.empty()) {
    if (::unlink(target.c_str()) != 0 && errno != ENOENT)
      return FromErrno(errno);
    return kRegOk;
  }
  std::string content(kMagic, sizeof kMagic);
  PutU32(content, static_cast<uint32_t>(values.size()));
  for (const StoredValue& v : values) {
    PutU32(content, static_cast<uint32_t>(v.name.size()));
    content += v.name;
    PutU32(content, v.type);
    PutU32(content, static_cast<uint32_t>(v.data.size()));
    content.append(v.data.begin(), v.data.end());
  }
  static std::atomic<unsigned> counter{0};
  const std::string temp = target + "." + std::to_string(::getpid()) + "." +
                           std::to_string(counter.fetch_add(1)) + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0)
    return FromErrno(errno);
  RegStatus rc = WriteAll(fd, content);
  if (::close(fd) != 0 && rc == kRegOk)
    rc = FromErrno(errno);
  if (rc == kRegOk && ::rename(temp.c_str(), target.c_str()) != 0)
    rc = FromErrno(errno);
  if (rc != kRegOk)
    ::unlink(temp.c_str());
  return rc;
}

} // namespace platform::registry_posix
