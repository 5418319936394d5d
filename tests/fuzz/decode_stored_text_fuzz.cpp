// Fuzz target for the coding of stored settings texts: any stored text decodes without failing,
// whatever text it decodes to codes into 7-bit text that survives an INI file's trimming, and
// decoding that gives the text back. Wide texts round-trip the same way.
#include "platform/codepage.h"
#include "rtl/trim.h"
#include "settings/stored_text.h"
#include "settings/utf8_text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

volatile std::size_t gSink;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "decode_stored_text_fuzz: %s\n", what);
    std::abort();
  }
}

void CheckCoded(const std::string& coded) {
  for (char c : coded)
    Check(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7F,
          "coded text is not 7-bit");
  Check(rtl::Trim(coded).size() == coded.size(), "coded text has outer blanks");
  Check(coded.find("  ") == std::string::npos, "coded text has a run of blanks");
}

void RoundTrip(std::string_view text) {
  std::string coded = EncodeStoredText(text);
  CheckCoded(coded);
  Check(DecodeStoredText(coded) == text, "text does not round-trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  std::string decoded = DecodeStoredText(input);
  std::u16string wide = DecodeStoredWideText(input);
  gSink = decoded.size() + wide.size();
  Check(decoded.size() <= input.size(), "decoding grew the text");

  RoundTrip(decoded);
  RoundTrip(input);

  if (settings::IsValidUtf8(input)) {
    std::u16string text = platform::Utf8ToWide(input);
    std::string coded = EncodeStoredWideText(text);
    CheckCoded(coded);
    Check(DecodeStoredWideText(coded) == text, "wide text does not round-trip");
  }
  return 0;
}
