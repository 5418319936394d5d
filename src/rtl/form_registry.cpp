#include "rtl/form_registry.h"

#include "platform/resources.h"
#include "rtl/form_resource.h"

#include <string>

namespace rtl {

std::string_view FindFormResource(const char* name) {
  return platform::LoadRcData(name);
}

void LoadFormResource(TComponent& root, const char* name) {
  std::string_view text = FindFormResource(name);
  if (text.empty())
    throw EFormError("Form resource " + std::string(name ? name : "") + " not found", 0);
  ReadForm(text, root);
}

} // namespace rtl
