#include "settings/registry_root.h"

#include "rtl/published.h"

const rtl::EnumType& RegistryRootType() {
  static const rtl::EnumType type("TRegistryRoot", {"rrHKEY_CLASSES_ROOT", "rrHKEY_CURRENT_USER",
                                                    "rrHKEY_LOCAL_MACHINE", "rrHKEY_USERS",
                                                    "rrHKEY_CURRENT_CONFIG", "rrNone"});
  return type;
}

std::optional<platform::RegRoot> SystemRegistryRoot(TRegistryRoot root) noexcept {
  switch (root) {
  case rrHKEY_CLASSES_ROOT:
    return platform::RegRoot::ClassesRoot;
  case rrHKEY_CURRENT_USER:
    return platform::RegRoot::CurrentUser;
  case rrHKEY_LOCAL_MACHINE:
    return platform::RegRoot::LocalMachine;
  case rrHKEY_USERS:
    return platform::RegRoot::Users;
  case rrHKEY_CURRENT_CONFIG:
    return platform::RegRoot::CurrentConfig;
  case rrNone:
    break;
  }
  return std::nullopt;
}
