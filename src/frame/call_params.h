// Reading the host's parameters of a call: items of the call record's parameter list, matched by
// name regardless of case. "Present" means the item exists and its value is neither Empty nor
// Null.
#pragma once

#include "data/params_list.h"
#include "rtl/variant.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace frame {

class CallParams {
public:
  explicit CallParams(const void* list) : list_(list) {}

  bool IsSet() const { return !list_.IsNull(); }
  TzetParamsListRef List() const { return list_; }
  rtl::Variant Value(std::string_view name) const;
  bool Present(std::string_view name) const { return !Value(name).IsEmptyValue(); }
  /// The value as 8-bit text; empty when absent.
  std::string Text(std::string_view name) const { return Value(name).ToText(); }
  /// The value as a signed 32-bit integer; raises when it is not one.
  int32_t Integer(std::string_view name) const { return Value(name).ToInt32(); }
  /// A handle value: converted through a 64-bit integer, the low bits of a pointer kept.
  uintptr_t Handle(std::string_view name) const;

private:
  TzetParamsListRef list_;
};

} // namespace frame
