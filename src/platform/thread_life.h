// Whether a thread has ended, asked later from any thread. The frame gives each calling thread
// an output list of its own and takes it back only once the thread has ended, so it keeps the
// thread's life with the list: a handle to the thread in the Windows builds (which also keeps
// the thread's id from going to a new thread while it is held), a mark that the thread's end
// sets elsewhere.
#pragma once

namespace platform {

class ThreadLife {
public:
  ThreadLife() noexcept = default;
  ~ThreadLife();
  ThreadLife(ThreadLife&& other) noexcept : token_(other.token_) { other.token_ = nullptr; }
  ThreadLife& operator=(ThreadLife&& other) noexcept;
  ThreadLife(const ThreadLife&) = delete;
  ThreadLife& operator=(const ThreadLife&) = delete;

  /// The calling thread's life. Empty when the system could not give one.
  static ThreadLife OfCallingThread();
  /// True once the thread has ended; false for an empty life, which is taken to go on.
  bool Ended() const noexcept;
  bool Empty() const noexcept { return token_ == nullptr; }

private:
  explicit ThreadLife(void* token) noexcept : token_(token) {}
  /// Gives the system's token back; one implementation per platform.
  static void Close(void* token) noexcept;

  void* token_ = nullptr;
};

} // namespace platform
