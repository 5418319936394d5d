#include "platform/guid.h"

#include <mutex>
#include <random>

namespace platform {

std::array<uint8_t, 16> NewGuid() {
  static std::mutex lock;
  static std::mt19937_64 engine{std::random_device{}()};
  std::array<uint8_t, 16> out{};
  {
    std::lock_guard<std::mutex> g(lock);
    for (int i = 0; i < 2; ++i) {
      uint64_t r = engine();
      for (int k = 0; k < 8; ++k)
        out[i * 8 + k] = static_cast<uint8_t>(r >> (8 * k));
    }
  }
  out[7] = static_cast<uint8_t>((out[7] & 0x0F) | 0x40); // version 4 (high nibble of Data3)
  out[8] = static_cast<uint8_t>((out[8] & 0x3F) | 0x80); // RFC 4122 variant
  return out;
}

} // namespace platform
