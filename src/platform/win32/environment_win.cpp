// The environment block of the process. Changes go to the system's block, which processes
// started with CreateProcess inherit, and to the C runtime's copy, which getenv and the runtime's
// own process starts use, so that both views agree.
#include "platform/environment.h"
#include "platform/codepage.h"
#include "platform/win32/scoped_handles_win.h"
#include "platform/win32/windows_include.h"

#include <shellapi.h>

#include <cstdlib>
#include <vector>

namespace platform {

namespace {
// Answers the variable's value, or false when it is not set.
bool Read(const std::string& key, std::string& value) {
  std::vector<char> buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD n =
        ::GetEnvironmentVariableA(key.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      value.clear();
      return ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    if (n < buffer.size()) {
      value.assign(buffer.data(), n);
      return true;
    }
    buffer.resize(n);
  }
}
} // namespace

std::string GetEnvVar(std::string_view name) {
  std::string value;
  Read(std::string(name), value);
  return value;
}

bool HasEnvVar(std::string_view name) {
  std::string value;
  return Read(std::string(name), value);
}

bool SetEnvVar(std::string_view name, std::string_view value) {
  const std::string key(name), text(value);
  if (!::SetEnvironmentVariableA(key.c_str(), text.c_str()))
    return false;
  // The runtime drops a variable set to an empty text; the system block keeps it.
  if (!text.empty())
    ::_putenv_s(key.c_str(), text.c_str());
  return true;
}

bool UnsetEnvVar(std::string_view name) {
  const std::string key(name);
  ::_putenv_s(key.c_str(), "");
  return ::SetEnvironmentVariableA(key.c_str(), nullptr) != 0 ||
         ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}

} // namespace platform

namespace platform {

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  const ScopedLocalMemory owner(argv);
  if (!argv)
    return arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(WideToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  return arguments;
}

} // namespace platform
