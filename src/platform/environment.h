// The process environment: its variables and the arguments it was started with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// The value of the environment variable Name; empty when it is not set.
std::string GetEnvVar(std::string_view name);
/// True when the variable Name is set (possibly to an empty value).
bool HasEnvVar(std::string_view name);
/// Sets Name to Value for this process and the processes it starts from now on.
bool SetEnvVar(std::string_view name, std::string_view value);
/// Removes Name from the environment of this process and of the processes it starts.
bool UnsetEnvVar(std::string_view name);

/// The process's command-line arguments in UTF-8, the program itself first; empty when the
/// system does not tell them.
std::vector<std::string> ProcessArguments();

} // namespace platform
