// GUIDs in registry text form: "{" 8-4-4-4-12 upper-case hex digits "}".
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rtl {

std::string GuidToString(const std::array<uint8_t, 16>& guid);
/// A freshly generated GUID in registry text form.
std::string NewGuidString();

} // namespace rtl
