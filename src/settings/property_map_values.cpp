// Reading a resolved item's value for saving and applying a loaded one.
#include "settings/property_map.h"

#include "platform/codepage.h"
#include "rtl/component.h"
#include "rtl/published_access.h"
#include "rtl/string_list.h"
#include "settings/stored_text.h"

#include <charconv>

namespace {

PPropInfo RequireProperty(const TObject* obj, std::string_view propName) {
  PPropInfo prop = rtl::FindProperty(obj, propName);
  if (!prop)
    throw rtl::EPropertyError("Unknown property: " + std::string(propName));
  return prop;
}

rtl::Variant Text(std::string_view text) {
  return rtl::Variant::Ansi(rtl::AnsiString(text));
}

// A character property loads from the decimal code that saving wrote, or from the character
// itself.
int64_t CharacterCode(const std::string& text, TTypeKind kind) {
  int64_t code = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (!text.empty() && ec == std::errc() && end == text.data() + text.size())
    return code;
  if (kind == tkChar && text.size() == 1)
    return static_cast<unsigned char>(text[0]);
  if (kind == tkWChar) {
    std::u16string wide = platform::AnsiToWide(text);
    if (wide.size() == 1)
      return wide[0];
  }
  throw rtl::EVariantError("Could not convert \"" + text + "\" to a character");
}

} // namespace

rtl::Variant ReadItemValue(TObject* obj, std::string_view propName, TTypeKind kind) {
  PPropInfo prop = RequireProperty(obj, propName);
  switch (kind) {
  case tkInteger:
    return rtl::Variant::Int32(rtl::GetPropertyValue(obj, prop).ToInt32());
  case tkInt64:
    return rtl::Variant::Int64(rtl::GetPropertyValue(obj, prop).ToInt64());
  case tkFloat:
    return rtl::Variant::Double(rtl::GetPropertyValue(obj, prop).ToDouble());
  case tkVariant:
    return rtl::GetPropertyValue(obj, prop);
  case tkChar:
  case tkWChar:
    return Text(EncodeStoredText(std::to_string(prop->GetOrdinal(*obj))));
  case tkString:
  case tkLString:
    return Text(EncodeStoredText(rtl::GetPropertyValue(obj, prop).ToText()));
  case tkWString:
    return Text(EncodeStoredWideText(rtl::GetPropertyValue(obj, prop).ToWide()));
  case tkEnumeration:
    return Text(rtl::GetPropertyValue(obj, prop).ToText());
  case tkClass: {
    if (prop->Kind() != tkClass)
      return rtl::Variant::Null();
    TObject* value = rtl::GetObjectProperty(obj, prop);
    if (auto* lines = dynamic_cast<TStringList*>(value))
      return Text(EncodeStoredText(lines->Text()));
    if (auto* component = dynamic_cast<TComponent*>(value))
      return Text(GetComponentPath(component));
    return rtl::Variant::Null();
  }
  default:
    return rtl::Variant::Null();
  }
}

void ApplyItemValue(TObject* obj, std::string_view propName, TObject* owner,
                    const rtl::Variant& value, TTypeKind kind) {
  PPropInfo prop = rtl::FindProperty(obj, propName);
  if (!prop || (!prop->IsWritable() && kind != tkClass))
    return;
  switch (kind) {
  case tkInteger:
    rtl::SetPropertyValue(obj, prop, rtl::Variant::Int32(value.ToInt32()));
    return;
  case tkInt64:
    rtl::SetPropertyValue(obj, prop, rtl::Variant::Int64(value.ToInt64()));
    return;
  case tkFloat:
    rtl::SetPropertyValue(obj, prop, rtl::Variant::Double(value.ToDouble()));
    return;
  case tkVariant:
    rtl::SetPropertyValue(obj, prop, value);
    return;
  case tkChar:
  case tkWChar: {
    std::string text = DecodeStoredText(value.ToText());
    if (prop->Kind() == tkChar || prop->Kind() == tkWChar)
      prop->SetOrdinal(*obj, CharacterCode(text, prop->Kind()));
    else
      rtl::SetPropertyValue(obj, prop, Text(text));
    return;
  }
  case tkString:
  case tkLString:
    rtl::SetPropertyValue(obj, prop, Text(DecodeStoredText(value.ToText())));
    return;
  case tkWString:
    rtl::SetPropertyValue(obj, prop, rtl::Variant::Wide(DecodeStoredWideText(value.ToText())));
    return;
  case tkEnumeration: {
    std::string identifier = value.ToText();
    if (identifier.empty())
      return;
    if (prop->Kind() == tkEnumeration)
      rtl::SetEnumByName(obj, prop, identifier);
    else
      rtl::SetPropertyValue(obj, prop, Text(identifier));
    return;
  }
  case tkClass: {
    if (prop->Kind() != tkClass)
      return;
    if (auto* lines = dynamic_cast<TStringList*>(rtl::GetObjectProperty(obj, prop))) {
      lines->SetText(DecodeStoredText(value.ToText()));
      return;
    }
    if (!prop->IsWritable())
      return;
    if (value.Type() == platform::vtNull) {
      // Docking references belong to the layout of the moment, not to the settings.
      if (prop->Name().find("Dock") == std::string::npos)
        rtl::SetObjectProperty(obj, prop, nullptr);
      return;
    }
    std::string path = value.ToText();
    if (!path.empty())
      rtl::SetObjectProperty(obj, prop, FindComponentByPath(path, owner));
    return;
  }
  default:
    return;
  }
}
