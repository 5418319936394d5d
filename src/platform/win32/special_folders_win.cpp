#include "platform/special_folders.h"
#include "platform/win32/scoped_handles_win.h"
#include "platform/win32/windows_include.h"

namespace platform {

ShellFolderAnswer QueryShellSpecialFolder(int csidl) {
  ShellFolderAnswer answer;
  const ScopedLoadedModule shell(::LoadLibraryA("shell32.dll"));
  if (!shell)
    return answer;
  using QueryFn = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(::GetProcAddress(shell.Get(), "SHGetSpecialFolderPathA")));
  if (!query) {
    answer.Status = ShellFolderStatus::NoQuery;
  } else {
    char path[MAX_PATH + 1] = {};
    if (query(nullptr, path, csidl, FALSE) && path[0]) {
      answer.Status = ShellFolderStatus::Found;
      answer.Path = path;
    } else {
      answer.Status = ShellFolderStatus::Failed;
    }
  }
  return answer;
}

} // namespace platform
