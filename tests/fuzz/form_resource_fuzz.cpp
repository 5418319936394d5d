// Fuzzes the form resource reader and writer: arbitrary text is read into a throwaway component
// whose class has properties of every kind, an event handler, a field and custom-streamed values.
// Any outcome other than success or a library failure (rtl::Exception) is a fault.
#include "rtl/component.h"
#include "rtl/form_resource.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

const rtl::EnumType kFuzzKinds("TFuzzKind", {"fkOne", "fkTwo", "fkThree"});

class TFuzzComponent : public TComponent {
public:
  explicit TFuzzComponent(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  void Handler(TObject*) {}

  int32_t number = 0;
  int64_t wide = 0;
  double real = 0;
  float single = 0;
  std::string text;
  std::u16string wideText;
  bool flag = false;
  int kind = 0;
  uint32_t kinds = 0;
  char mark = 0;
  char16_t wideMark = 0;
  rtl::Variant any;
  TFuzzComponent* link = nullptr;
  TFuzzComponent* child = nullptr;
  rtl::Event<void(TObject*)> onEvent;
  std::vector<std::string> lines;
};

const rtl::MetaClass& TFuzzComponent::StaticClass() {
  using T = TFuzzComponent;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TFuzzComponent")
          .Integer("Number", &T::number, &T::number)
          .Int64("Wide", &T::wide, &T::wide)
          .Float("Real", &T::real, &T::real)
          .Float("Single", &T::single, &T::single)
          .LString("Text", &T::text, &T::text)
          .WString("WideText", &T::wideText, &T::wideText)
          .Boolean("Flag", &T::flag, &T::flag)
          .Enumeration("Kind", kFuzzKinds, &T::kind, &T::kind)
          .Set("Kinds", kFuzzKinds, &T::kinds, &T::kinds)
          .Char("Mark", &T::mark, &T::mark)
          .WChar("WideMark", &T::wideMark, &T::wideMark)
          .Variant("Any", &T::any, &T::any)
          .Object("Link", &T::link, &T::link)
          .Method("OnEvent", &T::onEvent)
          .Handler("Handler", &T::Handler)
          .Field("Child", &T::child)
          .Custom(
              "Lines", [](T& t, const rtl::FormValue& v) { t.lines = v.AnsiItems(); },
              [](const T& t, rtl::FormValue& v) {
                v = rtl::FormValue::OfAnsiList(t.lines);
                return !t.lines.empty();
              });
  return meta;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    rtl::RegisterClass<TFuzzComponent>();
    rtl::RegisterClass<TComponent>();
    return true;
  }();
  (void)registered;

  std::string_view text(reinterpret_cast<const char*>(data), size);
  TFuzzComponent root(nullptr);
  try {
    rtl::ReadForm(text, root);
    volatile std::size_t sink = rtl::WriteForm(root).size();
    (void)sink;
  } catch (const rtl::Exception&) {
  }
  return 0;
}
