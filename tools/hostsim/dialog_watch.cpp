// Finding the options dialog of this process (Windows) and the registry values it stored.
#include "options_dialog.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace hostsim {
namespace {

HWND FindOwnDialog() {
  struct Search {
    DWORD process;
    HWND found;
  } search{::GetCurrentProcessId(), nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        char cls[16] = {};
        ::GetClassNameA(hwnd, cls, sizeof cls);
        if (pid == s->process && ::IsWindowVisible(hwnd) && std::string(cls) == "#32770") {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

} // namespace

std::function<void()> WatchOptionsDialog(uint32_t closeAfterMs, std::function<void()> shown) {
  auto stop = std::make_shared<std::atomic<bool>>(false);
  auto watcher = std::make_shared<std::thread>([stop, closeAfterMs, shown] {
    HWND dialog = nullptr;
    while (!*stop && !(dialog = FindOwnDialog()))
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!dialog)
      return;
    shown();
    if (!closeAfterMs)
      return;
    for (uint32_t waited = 0; waited < closeAfterMs && !*stop; waited += 50)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!*stop)
      ::PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  return [stop, watcher] {
    *stop = true;
    if (watcher->joinable())
      watcher->join();
  };
}

std::vector<std::string> RegistryValues(const std::string& path) {
  std::vector<std::string> values;
  std::string sub = path;
  while (!sub.empty() && sub.front() == '\\')
    sub.erase(0, 1);
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      continue;
    for (DWORD i = 0;; ++i) {
      char name[256];
      BYTE data[1024];
      DWORD nameLen = sizeof name, dataLen = sizeof data - 1, type = 0;
      if (::RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS)
        break;
      std::string value;
      if (type == REG_SZ) {
        data[dataLen] = 0;
        value = reinterpret_cast<const char*>(data);
      } else if (type == REG_DWORD && dataLen == 4) {
        value = std::to_string(*reinterpret_cast<const int32_t*>(data));
      } else if (type == REG_BINARY && dataLen == 8) {
        double d = 0;
        memcpy(&d, data, 8);
        char text[40];
        snprintf(text, sizeof text, "%.15g", d);
        value = text;
      } else {
        value = "(" + std::to_string(dataLen) + " bytes)";
      }
      values.push_back(std::string(name, nameLen) + "=" + value);
    }
    ::RegCloseKey(key);
    if (!values.empty())
      break;
  }
  return values;
}

} // namespace hostsim

#else

namespace hostsim {

std::function<void()> WatchOptionsDialog(uint32_t, std::function<void()>) {
  return [] {};
}

std::vector<std::string> RegistryValues(const std::string&) {
  return {};
}

} // namespace hostsim

#endif
