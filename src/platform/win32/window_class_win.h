// A window class that this library registers for its own hidden windows (message windows, timer
// windows): registered once per process on first use and unregistered when the library goes
// away, so that a later load of the library at another address can register it again.
#pragma once

#include "platform/win32/windows_include.h"

#include <mutex>

namespace platform {

/// The module handle of this library (the DLL, or the program it is linked into).
HINSTANCE ThisModule();

class OwnWindowClass {
public:
  OwnWindowClass(const char* name, WNDPROC proc) : name_(name), proc_(proc) {}
  ~OwnWindowClass();
  OwnWindowClass(const OwnWindowClass&) = delete;
  OwnWindowClass& operator=(const OwnWindowClass&) = delete;

  /// Registers the class the first time; answers whether it is registered.
  bool Ensure();
  const char* Name() const noexcept { return name_; }

private:
  const char* name_;
  WNDPROC proc_;
  std::once_flag once_;
  bool registered_ = false;
};

} // namespace platform
