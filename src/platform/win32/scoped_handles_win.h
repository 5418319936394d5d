// Owners of the system handles the Windows platform files take: each is given back to the system
// when its owner goes out of scope, also when an exception passes.
#pragma once

#include "platform/scoped_handle.h"
#include "platform/win32/windows_include.h"

namespace platform {

/// A library loaded with LoadLibrary; freed with FreeLibrary.
struct LoadedModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};
using ScopedLoadedModule = ScopedHandle<LoadedModuleTraits>;

/// A block the system allocated for the caller with LocalAlloc (FormatMessage's text,
/// CommandLineToArgvW's array); freed with LocalFree.
struct LocalMemoryTraits {
  using Handle = void*;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { ::LocalFree(h); }
};
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits>;

/// A window this thread created; destroyed with DestroyWindow.
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};
using ScopedWindow = ScopedHandle<WindowTraits>;

/// The device context of a window, as GetDC gives it; released with ReleaseDC for that window.
struct WindowDc {
  HWND Window = nullptr;
  HDC Dc = nullptr;
};
struct WindowDcTraits {
  using Handle = WindowDc;
  static Handle Invalid() noexcept { return {}; }
  static bool IsValid(Handle h) noexcept { return h.Dc != nullptr; }
  static void Close(Handle h) noexcept { ::ReleaseDC(h.Window, h.Dc); }
};
/// Takes the device context of Window.
class ScopedWindowDc : public ScopedHandle<WindowDcTraits> {
public:
  explicit ScopedWindowDc(HWND window) noexcept
      : ScopedHandle<WindowDcTraits>(WindowDc{window, ::GetDC(window)}) {}
  HDC Dc() const noexcept { return Get().Dc; }
};

} // namespace platform
