#include "rtl/guid_text.h"

#include "platform/guid.h"

#include <cstdio>

namespace rtl {

std::string GuidToString(const std::array<uint8_t, 16>& g) {
  // Data1, Data2 and Data3 are little-endian numbers; Data4 is printed byte by byte.
  unsigned d1 = g[0] | (g[1] << 8) | (g[2] << 16) | (static_cast<unsigned>(g[3]) << 24);
  unsigned d2 = g[4] | (g[5] << 8);
  unsigned d3 = g[6] | (g[7] << 8);
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", d1, d2, d3,
                g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return buf;
}

std::string NewGuidString() { return GuidToString(platform::NewGuid()); }

} // namespace rtl
