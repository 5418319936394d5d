#include "platform/guid.h"
#include "platform/win32/windows_include.h"

#include <cstring>
#include <objbase.h>

namespace platform {

std::array<uint8_t, 16> NewGuid() {
  GUID g{};
  ::CoCreateGuid(&g);
  std::array<uint8_t, 16> out{};
  std::memcpy(out.data(), &g, sizeof g);
  return out;
}

} // namespace platform
