// A list of wide-character text lines, for the Unicode controls whose items are not 8-bit text.
// Updates can be bracketed by BeginUpdate and EndUpdate; UpdateCount tells whether one is open.
#pragma once

#include "rtl/object.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TTntStrings : public TObject {
public:
  int32_t Count() const noexcept { return static_cast<int32_t>(lines_.size()); }
  /// The line at Index; raises EStringListError outside 0..Count-1.
  const std::u16string& Strings(int32_t index) const;
  void Put(int32_t index, std::u16string_view line);
  int32_t Add(std::u16string_view line);
  void Clear() noexcept { lines_.clear(); }

  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate() noexcept {
    if (updateCount_ > 0)
      --updateCount_;
  }
  int32_t UpdateCount() const noexcept { return updateCount_; }

private:
  void Check(int32_t index) const;
  std::vector<std::u16string> lines_;
  int32_t updateCount_ = 0;
};
