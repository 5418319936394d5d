#include "frame/call_params.h"

namespace frame {

rtl::Variant CallParams::Value(std::string_view name) const {
  if (list_.IsNull())
    return {};
  return list_.GetValue(name, 0, -1);
}

uintptr_t CallParams::Handle(std::string_view name) const {
  return static_cast<uintptr_t>(Value(name).ToInt64());
}

} // namespace frame
