// GetTickCount64 appeared after the systems the library still loads on, so it is looked up in
// kernel32 at run time; GetTickCount is always there.
#include "platform/ticks.h"
#include "platform/win32/windows_include.h"

namespace platform {
namespace {

using GetTickCount64Fn = ULONGLONG(WINAPI*)();

GetTickCount64Fn LookUpTickCount64() {
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  if (!kernel)
    return nullptr;
  FARPROC proc = ::GetProcAddress(kernel, "GetTickCount64");
  // The detour through a parameterless function type keeps the cast free of type warnings.
  return reinterpret_cast<GetTickCount64Fn>(reinterpret_cast<void (*)()>(proc));
}

GetTickCount64Fn TickCount64() {
  static const GetTickCount64Fn fn = LookUpTickCount64();
  return fn;
}

uint64_t Read64() {
  return TickCount64()();
}
uint64_t Read32() {
  return ::GetTickCount();
}

} // namespace

TickSource SystemTickSource() {
  if (TickCount64())
    return {true, &Read64};
  return SystemTickSource32();
}

TickSource SystemTickSource32() {
  return {false, &Read32};
}

} // namespace platform
