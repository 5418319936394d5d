// Globally unique identifiers, used as the identity of every parameter list.
#pragma once

#include <array>
#include <cstdint>

namespace platform {

/// A new random GUID in the byte order of the system's GUID structure (Data1..Data3 little-endian).
std::array<uint8_t, 16> NewGuid();

} // namespace platform
