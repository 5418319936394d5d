#include "platform/thread_slot.h"
#include "platform/win32/windows_include.h"

namespace platform {

ThreadSlot::ThreadSlot() noexcept {
  const DWORD index = ::TlsAlloc();
  valid_ = index != TLS_OUT_OF_INDEXES;
  index_ = valid_ ? index : 0;
}

ThreadSlot::~ThreadSlot() {
  if (valid_)
    ::TlsFree(index_);
}

uintptr_t CurrentThreadMark() noexcept {
  return ::GetCurrentThreadId();
}

void* ThreadSlot::Get() const noexcept {
  return valid_ ? ::TlsGetValue(index_) : nullptr;
}

void ThreadSlot::Set(void* value) const noexcept {
  if (valid_)
    ::TlsSetValue(index_, value);
}

} // namespace platform
