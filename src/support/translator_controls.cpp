#include "support/translator_controls.h"

#include "rtl/published_access.h"

namespace support::controls {
namespace {

bool InheritsFromAny(const TObject* obj, std::initializer_list<std::string_view> names) noexcept {
  const rtl::MetaClass* meta = rtl::ClassOf(obj);
  if (!meta)
    return false;
  for (std::string_view name : names) {
    if (meta->InheritsFrom(name))
      return true;
  }
  return false;
}

bool IsOrdinalKind(TTypeKind kind) noexcept {
  return kind == tkInteger || kind == tkEnumeration || kind == tkChar || kind == tkWChar ||
         kind == tkInt64 || kind == tkSet;
}

} // namespace

bool IsForm(const TObject* obj) noexcept {
  return InheritsFromAny(obj, {"TCustomForm", "TForm"});
}

bool IsComboBox(const TObject* obj) noexcept {
  return InheritsFromAny(obj, {"TCustomComboBox", "TComboBox"});
}

bool IsEditControl(const TObject* obj) noexcept {
  return InheritsFromAny(obj, {"TCustomEdit", "TEdit", "TSpinEdit"});
}

std::optional<int64_t> Ordinal(const TObject* obj, std::string_view name) noexcept {
  try {
    PPropInfo prop = rtl::FindProperty(obj, name);
    if (!prop || !IsOrdinalKind(prop->Kind()))
      return std::nullopt;
    return prop->GetOrdinal(*obj);
  } catch (...) {
    return std::nullopt;
  }
}

bool SetOrdinal(TObject* obj, std::string_view name, int64_t value) noexcept {
  try {
    PPropInfo prop = rtl::FindProperty(obj, name);
    if (!prop || !IsOrdinalKind(prop->Kind()) || !prop->IsWritable())
      return false;
    prop->SetOrdinal(*obj, value);
    return true;
  } catch (...) {
    return false;
  }
}

TObject* ObjectProperty(const TObject* obj, std::string_view name) noexcept {
  try {
    PPropInfo prop = rtl::FindProperty(obj, name);
    if (!prop || prop->Kind() != tkClass)
      return nullptr;
    return prop->GetObject(*obj);
  } catch (...) {
    return nullptr;
  }
}

} // namespace support::controls
