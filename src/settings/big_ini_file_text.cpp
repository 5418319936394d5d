#include "settings/big_ini_file_text.h"

#include "platform/codepage.h"
#include "rtl/trim.h"

#include <array>

namespace ini_text {
namespace {

// The ANSI lower-case form of every byte, taken once from the platform so that each comparison
// is a table look-up rather than a system call.
const std::array<unsigned char, 256>& LowerTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<char, 256> chars{};
    for (int i = 0; i < 256; ++i)
      chars[i] = static_cast<char>(i);
    // Zero ends a text for some lowering routines, so the bytes after it are lowered apart.
    platform::AnsiLowerInPlace(chars.data() + 1, chars.size() - 1);
    std::array<unsigned char, 256> result{};
    for (int i = 0; i < 256; ++i)
      result[i] = static_cast<unsigned char>(chars[i]);
    return result;
  }();
  return table;
}

} // namespace

std::string_view LineName(std::string_view line) noexcept {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? line : rtl::Trim(line.substr(0, eq));
}

std::string_view LineValue(std::string_view line) noexcept {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : rtl::Trim(line.substr(eq + 1));
}

bool SameTextAnsi(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size())
    return false;
  const auto& lower = LowerTable();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower[static_cast<unsigned char>(a[i])] != lower[static_cast<unsigned char>(b[i])])
      return false;
  return true;
}

bool SameTextAscii(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size())
    return false;
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i]))
      return false;
  return true;
}

std::string AnsiLowered(std::string_view text) {
  const auto& lower = LowerTable();
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(lower[static_cast<unsigned char>(c)]);
  return out;
}

bool IsStorableLine(std::string_view line) noexcept {
  if (line.empty() || line == "\x1A" || line.find_first_of("\r\n") != std::string_view::npos)
    return false;
  return !(line.size() >= 2 && line.front() == '[' && line.back() == ']');
}

} // namespace ini_text
