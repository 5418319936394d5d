// POSIX has no HTML Help control: loading it fails, so help requests find no viewer.
#include "platform/html_help.h"

namespace platform {

std::string SystemLibraryFolder() {
  return {};
}

uintptr_t ActiveWindow() noexcept {
  return 0;
}

std::unique_ptr<HtmlHelpControl> HtmlHelpControl::Load(const std::string&) {
  return nullptr;
}

HtmlHelpControl::~HtmlHelpControl() = default;

uintptr_t HtmlHelpControl::Call(uintptr_t, const char*, uint32_t, uintptr_t) const {
  return 0;
}

} // namespace platform
