// The registry roots a module's settings may live under, as its root fields and the settings
// store name them. The ordinals are the integers hosts read and set for those fields.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <optional>

namespace rtl {
class EnumType;
}

enum TRegistryRoot : uint8_t {
  rrHKEY_CLASSES_ROOT,
  rrHKEY_CURRENT_USER,
  rrHKEY_LOCAL_MACHINE,
  rrHKEY_USERS,
  rrHKEY_CURRENT_CONFIG,
  /// No root: a registry operation with it fails.
  rrNone,
};

/// The enumeration of published TRegistryRoot properties (identifiers in ordinal order).
const rtl::EnumType& RegistryRootType();

/// The system root a value stands for; nothing for rrNone or a number outside the enumeration.
std::optional<platform::RegRoot> SystemRegistryRoot(TRegistryRoot root) noexcept;
