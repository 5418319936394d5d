// Ownership of one system handle: the handle is closed when its owner goes out of scope, also
// when an exception passes. Move-only. The traits name the handle's type, the value that stands
// for "no handle", how a valid one is told and the call that gives it back to the system:
//
//   struct DirectoryTraits {
//     using Handle = DIR*;
//     static Handle Invalid() noexcept { return nullptr; }
//     static bool IsValid(Handle h) noexcept { return h != nullptr; }
//     static void Close(Handle h) noexcept { ::closedir(h); }
//   };
//   ScopedHandle<DirectoryTraits> dir(::opendir(path));
//
// The platform files define the traits of the handles they own next to the code that uses them.
#pragma once

#include <utility>

namespace platform {

template <typename Traits> class ScopedHandle {
public:
  using Handle = typename Traits::Handle;

  ScopedHandle() noexcept = default;
  /// Takes ownership of Handle, which may be invalid (the owner then holds nothing).
  explicit ScopedHandle(Handle handle) noexcept : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { Reset(); }

  bool IsValid() const noexcept { return Traits::IsValid(handle_); }
  explicit operator bool() const noexcept { return IsValid(); }
  Handle Get() const noexcept { return handle_; }

  /// Gives the handle up without closing it; the owner then holds nothing.
  Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  /// Closes the handle held, if any, and takes Handle instead.
  void Reset(Handle handle = Traits::Invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (Traits::IsValid(old))
      Traits::Close(old);
  }

private:
  Handle handle_ = Traits::Invalid();
};

} // namespace platform
