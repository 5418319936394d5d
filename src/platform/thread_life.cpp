// What a thread's life does with its token, the same on every platform.
#include "platform/thread_life.h"

namespace platform {

ThreadLife::~ThreadLife() {
  if (token_)
    Close(token_);
}

ThreadLife& ThreadLife::operator=(ThreadLife&& other) noexcept {
  if (this != &other) {
    if (token_)
      Close(token_);
    token_ = other.token_;
    other.token_ = nullptr;
  }
  return *this;
}

} // namespace platform
