// The configured variables of the aggregation engine: the module keeps them in its variable list
// (whose lock is the engine lock), the engine reads them there.
#pragma once

#include "rtl/object.h"
#include "rtl/ansi_string.h"
#include "rtl/pointer_list.h"

#include <cstdint>
#include <string_view>

class TComponent;

/// One configured variable of the engine.
class TAggregationListItem : public TObject {
public:
  TAggregationListItem(TComponent* owner, std::string_view name)
      : Owner(owner), LowerName(rtl::AnsiString(name).Lowered()), Name(name) {}

  TComponent* Owner;
  /// The configured name, trimmed, then lower-cased with the ANSI rules.
  rtl::AnsiString LowerName;
  /// The configured name, trimmed: the name of its Null item in a partial row.
  rtl::AnsiString Name;
};

/// Variable K of Vars, a list of TAggregationListItem.
inline const TAggregationListItem& VariableAt(const TObjectList& vars, int32_t k) {
  return *static_cast<const TAggregationListItem*>(static_cast<const TObject*>(vars.List()[k]));
}

/// The marks of every configured variable (at most eight): bit K stands for variable K.
inline uint32_t AllMarks(const TObjectList& vars) {
  return (1u << vars.Count()) - 1u;
}
