// libFuzzer target: the language-file reader over arbitrary bytes, then look-ups of texts taken
// from the same bytes, with and without accelerators and line breaks.
#include "support/language_file.h"
#include "support/language_text.h"

#include "platform/codepage.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static volatile std::size_t sink = 0;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  TWtranslLanguage lang;
  TWtranslLanguagesList resources;
  const int32_t count = lang.LoadLanguageText(content, "EN", &resources, "RU");
  sink = sink + static_cast<std::size_t>(count) + resources.Exact.size() + lang.Collected.Count();

  // Every key the file gave, and the first bytes of the input, looked up as interface texts.
  for (const auto& [key, value] : resources.Exact) {
    bool found = false;
    const std::u16string text = support::DecodeText(platform::AnsiToWide(key), false, true);
    sink = sink + lang.LookupText(text, &resources, found).size() + found + value.size();
  }
  bool found = false;
  const std::u16string head = platform::AnsiToWide(content.substr(0, 64));
  sink = sink + lang.LookupText(head, &resources, found).size();
  const support::TEncodedKey k = support::EncodeKey(head);
  sink = sink + support::DecodeText(k.Key, !k.HasAccel, k.HasControl).size();
  bool doDefault = true;
  lang.SaveMode = tsmUntranslatedWithPath;
  lang.Record(head, nullptr, nullptr, found, doDefault);
  return 0;
}
