// The characters up to blank: the controls and the blank itself (codes 0 to 0x20). Names, keys,
// INI lines, property texts and language-file lines do not count them at either end.
#pragma once

#include <string_view>

namespace rtl {

/// True for the characters of code 0 to 0x20. Bytes count unsigned, so that the bytes of
/// non-ASCII characters are text.
constexpr bool IsUpToBlank(char c) noexcept {
  return static_cast<unsigned char>(c) <= 0x20;
}
constexpr bool IsUpToBlank(char16_t c) noexcept {
  return c <= 0x20;
}

namespace detail {
template <class C>
constexpr std::basic_string_view<C> Trim(std::basic_string_view<C> text) noexcept {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsUpToBlank(text[begin]))
    ++begin;
  while (end > begin && IsUpToBlank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}
} // namespace detail

/// Text without the characters up to blank at both ends.
constexpr std::string_view Trim(std::string_view text) noexcept {
  return detail::Trim(text);
}
constexpr std::u16string_view Trim(std::u16string_view text) noexcept {
  return detail::Trim(text);
}

/// True when Text is empty or holds nothing but characters up to blank.
constexpr bool IsBlankText(std::string_view text) noexcept {
  return Trim(text).empty();
}

} // namespace rtl
