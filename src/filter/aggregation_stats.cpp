#include "filter/aggregation_stats.h"

std::string_view RowEndReasonText(TRowEndReason reason) {
  switch (reason) {
  case rerComplete:
    return "complete";
  case rerTimeout:
    return "timeout";
  case rerAge:
    return "age";
  default:
    return "";
  }
}
