#include "platform/debug_output.h"
#include "platform/error_box.h"

#include <string>

namespace platform {

void ShowErrorBox(std::string_view title, std::string_view text) noexcept {
  try {
    DebugOutput(std::string(title) + ": " + std::string(text));
  } catch (...) {
  }
}

} // namespace platform
