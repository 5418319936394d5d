#include "rtl/wide_strings.h"

#include "rtl/string_list.h"

void TTntStrings::Check(int32_t index) const {
  if (index < 0 || index >= Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

const std::u16string& TTntStrings::Strings(int32_t index) const {
  Check(index);
  return lines_[static_cast<std::size_t>(index)];
}

void TTntStrings::Put(int32_t index, std::u16string_view line) {
  Check(index);
  lines_[static_cast<std::size_t>(index)] = std::u16string(line);
}

int32_t TTntStrings::Add(std::u16string_view line) {
  lines_.emplace_back(line);
  return Count() - 1;
}
