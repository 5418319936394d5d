// Fuzz target for the string holder: arbitrary StrData items of every version decode without
// failing; a holder whose key and lines come from the input is written as a form resource and
// read back with the same key and lines; and the input itself, read as a form resource into a
// module that owns a holder, fails only with the library's own errors.
#include "rtl/form_resource.h"
#include "rtl/published_builder.h"
#include "settings/string_holder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

volatile std::size_t gSink;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "string_holder_fuzz: %s\n", what);
    std::abort();
  }
}

class TFuzzModule : public TComponent {
public:
  explicit TFuzzModule(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass() {
    static const rtl::MetaClass meta = rtl::Published<TFuzzModule, TComponent>("TFuzzModule")
                                           .Field("Properties", &TFuzzModule::Properties);
    return meta;
  }
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  TzetStrHolder* Properties = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  RegisterStringHolderClass();
  std::string_view input(reinterpret_cast<const char*>(data), size);

  // First line: the key; the others: lines of the holder (and StrData items to decode).
  std::string key;
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (bool first = true; start <= input.size(); first = false) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos)
      end = input.size();
    std::string part(input.substr(start, end - start));
    start = end + 1;
    // Line breaks cannot be inside a line; the string list would split them anyway.
    if (part.find('\r') != std::string::npos)
      continue;
    if (first)
      key = part;
    else
      lines.push_back(part);
  }

  for (const std::string& line : lines) {
    for (int32_t version : {-1, 0, 1, 2, 3})
      gSink = gSink + TzetStrHolder::DecodeLine(line, key, version).size();
    std::string item = TzetStrHolder::EncodeLine(line, key);
    Check(TzetStrHolder::DecodeLine(item, key, 2) == line, "line does not round-trip");
  }

  {
    TFuzzModule module(nullptr);
    module.SetName("Module");
    auto* holder = new TzetStrHolder(&module);
    holder->SetName("Properties");
    holder->SetKeyString(key);
    for (const std::string& line : lines)
      holder->Strings()->Add(line);
    std::string text = rtl::WriteForm(module);
    TFuzzModule back(nullptr);
    rtl::ReadForm(text, back);
    if (lines.empty() && key.empty()) {
      Check(back.Properties && back.Properties->Strings()->Count() == 0, "empty holder changed");
    } else {
      Check(back.Properties != nullptr, "holder lost");
      Check(back.Properties->KeyString() == key, "key does not round-trip");
      Check(back.Properties->Strings()->Count() == static_cast<int32_t>(lines.size()),
            "line count does not round-trip");
      for (std::size_t i = 0; i < lines.size(); ++i)
        Check((*back.Properties->Strings())[static_cast<int32_t>(i)] == lines[i],
              "lines do not round-trip");
    }
  }

  try {
    TFuzzModule module(nullptr);
    rtl::ReadForm(input, module);
    if (module.Properties)
      gSink = gSink + module.Properties->Strings()->Count();
  } catch (const rtl::Exception&) {
    // Malformed resources are refused with the form reader's errors.
  }
  return 0;
}
