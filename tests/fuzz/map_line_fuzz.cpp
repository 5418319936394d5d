// Fuzz target for property map lines: each line of the input is parsed, its key split, and its
// item resolved against a small component tree and a settings object; whatever resolves is read
// for saving and has the key applied as a loaded value. Only the library's own failures may
// come out of that, and the parts of a parsed line keep their documented form.
#include "rtl/component.h"
#include "rtl/published_builder.h"
#include "rtl/trim.h"
#include "settings/custom_props.h"
#include "settings/map_line.h"
#include "settings/property_map.h"
#include "settings/proxy_code_custom.h"
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
    std::fprintf(stderr, "map_line_fuzz: %s\n", what);
    std::abort();
  }
}

class TFuzzSettings : public TProxyCodeCustomObject {
public:
  explicit TFuzzSettings(TComponent* owner) : TProxyCodeCustomObject(owner) {}
  static const rtl::MetaClass& StaticClass() {
    using T = TFuzzSettings;
    static const rtl::MetaClass meta = rtl::Published<T, TProxyCodeCustomObject>("TFuzzSettings")
                                           .Integer("Left", &T::left, &T::left)
                                           .LString("var1_Text", &T::text, &T::text)
                                           .Float("spTimeout_Value", &T::value, &T::value)
                                           .Boolean("chkNoReset_Checked", &T::checked, &T::checked)
                                           .Char("Mark", &T::mark, &T::mark)
                                           .WString("Hint", &T::hint, &T::hint)
                                           .Object("Buddy", &T::buddy, &T::buddy)
                                           .Object("Lines", &T::Lines);
    return meta;
  }
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  TStringList* Lines() const { return const_cast<TStringList*>(&lines); }

  int32_t left = 0;
  std::string text;
  double value = 0;
  bool checked = false;
  char mark = 0;
  std::u16string hint;
  TComponent* buddy = nullptr;
  TStringList lines;
};

void Exercise(const TMapLine& line, TObject* target) {
  TResolvedItem r = ResolveItem(line.ItemName, target);
  if (!r.Object)
    return;
  try {
    if (r.Kind == tkUnknown) {
      if (!r.PropName.empty() && r.PropName[0] == '*')
        ForEachCustomProp(r.PropName.substr(1), [&](TWregCustomProp& handler) {
          rtl::Variant v;
          handler.GetCustomValue(r.Object, handler.Name(), true, v);
          handler.SetCustomValue(r.Object, handler.Name(),
                                 rtl::Variant::Ansi(rtl::AnsiString(line.Key)));
        });
      return;
    }
    rtl::Variant saved = ReadItemValue(r.Object, r.PropName, r.Kind);
    gSink = gSink + saved.Type();
    ApplyItemValue(r.Object, r.PropName, r.Owner, rtl::Variant::Ansi(rtl::AnsiString(line.Key)),
                   r.Kind);
    ApplyItemValue(r.Object, r.PropName, r.Owner, saved, r.Kind);
  } catch (const rtl::Exception&) {
    // A value that does not fit its property: the store skips such a line.
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  RegisterDefaultPropertyHandlers();
  std::string_view input(reinterpret_cast<const char*>(data), size);

  TComponent dialog(nullptr);
  dialog.SetName("Dialog");
  auto* holder = new TzetStrHolder(&dialog);
  holder->SetName("Properties");
  auto* settings = new TFuzzSettings(&dialog);
  settings->SetName("var1");

  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos)
      end = input.size();
    std::string_view text = input.substr(start, end - start);
    start = end + 1;

    TMapLine line;
    if (!ParseMapLine(text, line)) {
      Check(line.ItemName.empty() && line.Key.empty(), "a comment line has parts");
      continue;
    }
    Check(rtl::Trim(line.ItemName).size() == line.ItemName.size(), "item name not trimmed");
    Check(line.Key.find(';') == std::string::npos, "key keeps a comment");
    Check(line.Key.empty() || static_cast<unsigned char>(line.Key[0]) > 0x20,
          "key has leading blanks");

    TMapKey key = SplitMapKey(line.Key);
    Check(key.ValueName.find('\\') == std::string::npos, "value name holds a backslash");
    Check(key.SubPath.empty() || key.SubPath.front() != '\\', "sub-path starts with a backslash");
    Check(key.SubPath.find("\\\\") == std::string::npos, "sub-path keeps a run of backslashes");
    Check(SplitItemName(line.ItemName).size() >= 1, "item name without parts");

    Exercise(line, &dialog);
    Exercise(line, settings);
  }
  return 0;
}
