#include "platform/thread_life.h"
#include "platform/win32/windows_include.h"

namespace platform {

void ThreadLife::Close(void* token) noexcept {
  ::CloseHandle(static_cast<HANDLE>(token));
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
