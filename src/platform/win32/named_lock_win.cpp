// The named lock as a named mutex. A mutex is owned by a thread and counts its recursion itself,
// so every lock object of the same name in the process shares ownership without further help.
#include "platform/named_lock.h"
#include "platform/win32/windows_include.h"

#include <cstdint>
#include <cstdio>

namespace platform {

namespace {

// The longest name a kernel object accepts is MAX_PATH characters; longer names are cut and
// keep their distinctness through a hash of the whole name.
std::string ObjectName(std::string_view name) {
  std::string result(name);
  for (char& c : result)
    if (c == '\\')
      c = '_';
  constexpr std::size_t kLimit = 200;
  if (result.size() > kLimit) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : name)
      hash = (hash ^ c) * 16777619u;
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "_%08lx", static_cast<unsigned long>(hash));
    result.resize(kLimit);
    result += suffix;
  }
  return result;
}

} // namespace

NamedLock::NamedLock(std::string_view name) : name_(name) {
  const std::string objectName = ObjectName(name);
  impl_ = ::CreateMutexA(nullptr, FALSE, objectName.c_str());
}

NamedLock::~NamedLock() {
  if (impl_)
    ::CloseHandle(static_cast<HANDLE>(impl_));
}

bool NamedLock::Lock() {
  if (!impl_ || NamedLockFaults::Fails())
    return false;
  const DWORD rc = ::WaitForSingleObject(static_cast<HANDLE>(impl_), INFINITE);
  // A mutex whose owner ended without releasing it passes to the waiter, which then owns it.
  return rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
}

bool NamedLock::TryLock() {
  if (!impl_ || NamedLockFaults::Fails())
    return false;
  const DWORD rc = ::WaitForSingleObject(static_cast<HANDLE>(impl_), 0);
  return rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
}

void NamedLock::Unlock() {
  if (impl_)
    ::ReleaseMutex(static_cast<HANDLE>(impl_));
}

} // namespace platform
