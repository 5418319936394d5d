#include "platform/environment.h"

#include <cstdlib>
#include <fstream>

namespace platform {

std::string GetEnvVar(std::string_view name) {
  const std::string key(name);
  const char* value = std::getenv(key.c_str());
  return value ? value : "";
}

bool HasEnvVar(std::string_view name) {
  const std::string key(name);
  return std::getenv(key.c_str()) != nullptr;
}

bool SetEnvVar(std::string_view name, std::string_view value) {
  const std::string key(name), text(value);
  return ::setenv(key.c_str(), text.c_str(), 1) == 0;
}

bool UnsetEnvVar(std::string_view name) {
  const std::string key(name);
  return ::unsetenv(key.c_str()) == 0;
}

} // namespace platform

namespace platform {

std::vector<std::string> ProcessArguments() {
  // /proc/self/cmdline holds the arguments, each ended by a zero byte.
  std::vector<std::string> arguments;
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  std::string argument;
  while (std::getline(file, argument, '\0'))
    arguments.push_back(argument);
  return arguments;
}

} // namespace platform
