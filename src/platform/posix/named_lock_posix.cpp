// The named lock of the POSIX build: a recursive lock per lock file within the process, and flock
// on that file between processes. The in-process part decides which thread of the process may
// go on to the file lock, so flock only ever sees one request of this process at a time.
#include "platform/named_lock.h"

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

struct SharedLock {
  pid_t pid = 0; // the process that made it; a child after fork makes its own
  int fd = -1;
  int users = 0;
  std::mutex mutex;
  std::condition_variable released;
  std::thread::id owner;
  int depth = 0;
};

std::mutex& TableMutex() {
  static std::mutex m;
  return m;
}

// Lock states by lock-file path. Never destroyed, so that locks in static objects may still be
// released while the process ends.
std::map<std::string, SharedLock*>& Table() {
  static auto* table = new std::map<std::string, SharedLock*>;
  return *table;
}

std::string LockFilePath(std::string_view name) {
  std::string safe;
  safe.reserve(name.size());
  for (char c : name) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
    safe += keep ? c : '_';
  }
  // Keeps the file name within the file system's limit; the hash keeps long names apart.
  constexpr std::size_t kLimit = 200;
  if (safe.size() > kLimit) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : name)
      hash = (hash ^ c) * 16777619u;
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "_%08x", static_cast<unsigned>(hash));
    safe.resize(kLimit);
    safe += suffix;
  }
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/aggregation-lock-" + safe + ".lock";
}

void FileLock(int fd, int operation) {
  if (fd < 0)
    return;
  while (::flock(fd, operation) != 0 && errno == EINTR) {
  }
}

} // namespace

NamedLock::NamedLock(std::string_view name) : name_(name) {
  const std::string path = LockFilePath(name);
  std::lock_guard<std::mutex> guard(TableMutex());
  SharedLock*& slot = Table()[path];
  // A state inherited through fork belongs to the parent: its file description is shared with
  // the parent and its mutex may be in any state. It is left alone and a new one is made.
  if (!slot || slot->pid != ::getpid()) {
    slot = new SharedLock;
    slot->pid = ::getpid();
    slot->fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  }
  ++slot->users;
  impl_ = slot;
}

NamedLock::~NamedLock() {
  auto* shared = static_cast<SharedLock*>(impl_);
  std::lock_guard<std::mutex> guard(TableMutex());
  if (--shared->users > 0)
    return;
  for (auto it = Table().begin(); it != Table().end(); ++it)
    if (it->second == shared) {
      Table().erase(it);
      break;
    }
  if (shared->fd >= 0)
    ::close(shared->fd);
  delete shared;
}

bool NamedLock::Lock() {
  if (NamedLockFaults::Fails())
    return false;
  auto& s = *static_cast<SharedLock*>(impl_);
  const auto self = std::this_thread::get_id();
  std::unique_lock<std::mutex> guard(s.mutex);
  if (s.depth > 0 && s.owner == self) {
    ++s.depth;
    return true;
  }
  s.released.wait(guard, [&] { return s.depth == 0; });
  s.owner = self;
  s.depth = 1;
  guard.unlock();
  // Other threads of this process now wait in the in-process part; this one waits for the
  // other processes.
  FileLock(s.fd, LOCK_EX);
  return true;
}

bool NamedLock::TryLock() {
  if (NamedLockFaults::Fails())
    return false;
  auto& s = *static_cast<SharedLock*>(impl_);
  const auto self = std::this_thread::get_id();
  std::lock_guard<std::mutex> guard(s.mutex);
  if (s.depth > 0) {
    if (s.owner != self)
      return false;
    ++s.depth;
    return true;
  }
  if (s.fd >= 0 && ::flock(s.fd, LOCK_EX | LOCK_NB) != 0)
    return false;
  s.owner = self;
  s.depth = 1;
  return true;
}

void NamedLock::Unlock() {
  auto& s = *static_cast<SharedLock*>(impl_);
  std::lock_guard<std::mutex> guard(s.mutex);
  if (s.depth == 0 || s.owner != std::this_thread::get_id())
    return;
  if (--s.depth > 0)
    return;
  FileLock(s.fd, LOCK_UN);
  s.owner = std::thread::id();
  s.released.notify_all();
}

} // namespace platform
