// Decoding of the Windows code pages through the C library's converters. Code page 0 and code
// pages the converters do not know decode as the stand-in's ANSI code page (Windows-1252).
#include "platform/codepage.h"
#include "platform/scoped_handle.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace platform {
namespace {

std::string ConverterName(uint32_t codePage) {
  switch (codePage) {
  case 932:
    return "CP932";
  case 936:
    return "GBK";
  case 949:
    return "CP949";
  case 950:
    return "BIG5";
  case 1361:
    return "JOHAB";
  default: {
    char name[16];
    std::snprintf(name, sizeof name, "CP%u", codePage);
    return name;
  }
  }
}

struct ConverterTraits {
  using Handle = iconv_t;
  static Handle Invalid() noexcept { return reinterpret_cast<iconv_t>(-1); }
  static bool IsValid(Handle h) noexcept { return h != Invalid(); }
  static void Close(Handle h) noexcept { ::iconv_close(h); }
};

} // namespace

std::u16string CodePageToWide(uint32_t codePage, std::string_view text) {
  if (codePage == 0 || text.empty())
    return AnsiToWide(text);
  const ScopedHandle<ConverterTraits> converter(
      ::iconv_open("UTF-16LE", ConverterName(codePage).c_str()));
  if (!converter)
    return AnsiToWide(text);
  std::u16string out;
  std::string input(text);
  char* in = input.data();
  std::size_t inLeft = input.size();
  char16_t buffer[256];
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer);
    std::size_t outLeft = sizeof buffer;
    const std::size_t r = ::iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, (sizeof buffer - outLeft) / sizeof(char16_t));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // A byte the code page does not define, or a sequence cut off at the end.
      out.push_back(u'\uFFFD');
      ++in;
      --inLeft;
    }
  }
  return out;
}

} // namespace platform
