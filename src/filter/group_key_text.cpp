#include "filter/group_key_text.h"

#include "platform/codepage.h"
#include "rtl/variant.h"

#include <charconv>
#include <iterator>

namespace {

/// Appends Text to a key, losing nothing: two texts that differ anywhere give two keys.
void AppendKeyText(std::u16string_view text, std::string& out) {
  platform::AppendUtf8(text, out, platform::LoneSurrogates::Keep);
}

} // namespace

void KeyText(const platform::VariantRec& value, std::string& out) {
  char digits[24];
  std::to_chars_result written{};
  switch (value.vt) {
  case platform::vtI1:
    written = std::to_chars(digits, std::end(digits), static_cast<int>(value.cVal));
    break;
  case platform::vtUI1:
    written = std::to_chars(digits, std::end(digits), static_cast<unsigned>(value.bVal));
    break;
  case platform::vtI2:
    written = std::to_chars(digits, std::end(digits), value.iVal);
    break;
  case platform::vtUI2:
    written = std::to_chars(digits, std::end(digits), value.uiVal);
    break;
  case platform::vtI4:
  case platform::vtInt:
    written = std::to_chars(digits, std::end(digits), value.lVal);
    break;
  case platform::vtUI4:
  case platform::vtUInt:
    written = std::to_chars(digits, std::end(digits), value.ulVal);
    break;
  case platform::vtI8:
    written = std::to_chars(digits, std::end(digits), value.llVal);
    break;
  case platform::vtUI8:
    written = std::to_chars(digits, std::end(digits), value.ullVal);
    break;
  case platform::vtBstr:
    out.clear();
    if (value.bstrVal)
      AppendKeyText({value.bstrVal, platform::OleStrLen(value.bstrVal)}, out);
    return;
  default:
    out.clear();
    AppendKeyText(rtl::Variant::OleCompatibleCopy(value).ToWide(), out);
    return;
  }
  out.assign(digits, written.ptr);
}
