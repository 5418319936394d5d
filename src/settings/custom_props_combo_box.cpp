#include "settings/custom_props_combo_box.h"

#include "rtl/published_access.h"

#include <charconv>

namespace {

// The ItemIndex property of a combo box, or null when Component is none.
PPropInfo ItemIndexProperty(const TObject* component) {
  const rtl::MetaClass* meta = rtl::ClassOf(component);
  if (!meta || !meta->InheritsFrom(kComboBoxClassName))
    return nullptr;
  PPropInfo prop = meta->FindProperty("ItemIndex");
  switch (rtl::GetPropertyKind(prop)) {
  case tkInteger:
  case tkInt64:
    return prop;
  default:
    return nullptr;
  }
}

// A decimal integer with an optional sign, or -2 (which the handler ignores) for anything else.
int32_t DecimalOrMinusTwo(std::string_view text) {
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  int32_t n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    return -2;
  return n;
}

} // namespace

bool TWregComboBoxProp::GetCustomValue(TObject* component, const std::string& name, bool forSave,
                                       rtl::Variant& value) {
  PPropInfo prop = ItemIndexProperty(component);
  if (!prop)
    return false;
  value = rtl::Variant::Int32(static_cast<int32_t>(prop->GetOrdinal(*component)));
  return true;
}

void TWregComboBoxProp::SetCustomValue(TObject* component, const std::string& name,
                                       const rtl::Variant& value) {
  if (value.IsEmptyValue())
    return;
  std::string text = value.ToText();
  if (text.empty())
    return;
  PPropInfo prop = ItemIndexProperty(component);
  if (!prop)
    return;
  int32_t n = DecimalOrMinusTwo(text);
  if (n != -2)
    prop->SetOrdinal(*component, n);
}
