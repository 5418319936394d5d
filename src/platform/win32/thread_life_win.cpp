#include "platform/thread_life.h"
#include "platform/win32/windows_include.h"

namespace platform {

ThreadLife::~ThreadLife() {
  Release();
}

ThreadLife& ThreadLife::operator=(ThreadLife&& other) noexcept {
  if (this != &other) {
    Release();
    token_ = other.token_;
    other.token_ = nullptr;
  }
  return *this;
}

void ThreadLife::Release() noexcept {
  if (token_)
    ::CloseHandle(static_cast<HANDLE>(token_));
  token_ = nullptr;
}

ThreadLife ThreadLife::OfCallingThread() {
  // A thread's handle is signalled when it ends.
  HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, ::GetCurrentThreadId());
  return ThreadLife(thread);
}

bool ThreadLife::Ended() const noexcept {
  return token_ && ::WaitForSingleObject(static_cast<HANDLE>(token_), 0) == WAIT_OBJECT_0;
}

} // namespace platform
