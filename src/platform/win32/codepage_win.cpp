#include "platform/codepage.h"
#include "platform/win32/windows_include.h"

namespace platform {

std::u16string AnsiToWide(std::string_view text) {
  if (text.empty())
    return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  if (text.empty())
    return {};
  auto* w = reinterpret_cast<const wchar_t*>(text.data());
  int n = ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

void AnsiLowerInPlace(char* text, std::size_t length) noexcept {
  if (length)
    ::CharLowerBuffA(text, static_cast<DWORD>(length));
}

void AnsiUpperInPlace(char* text, std::size_t length) noexcept {
  if (length)
    ::CharUpperBuffA(text, static_cast<DWORD>(length));
}

} // namespace platform

namespace platform {

std::u16string CodePageToWide(uint32_t codePage, std::string_view text) {
  if (text.empty())
    return {};
  UINT cp = codePage == 0 || !::IsValidCodePage(codePage) ? CP_ACP : codePage;
  int n = ::MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0)
    return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  ::MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

} // namespace platform
