#include "dll/library_start.h"
#include "platform/win32/windows_include.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  try {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
      dll::StartLibrary();
      break;
    case DLL_PROCESS_DETACH:
      dll::EndLibrary(reserved != nullptr);
      break;
    default:
      break;
    }
  } catch (...) {
    return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
  }
  return TRUE;
}
