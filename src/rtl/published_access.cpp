#include "rtl/published_access.h"

#include "rtl/component.h"

#include <algorithm>

namespace rtl {
namespace {

const TObject& Require(const TObject* obj, PPropInfo prop) {
  if (!obj || !prop)
    throw EPropertyError(!obj ? "Property access without an object"
                              : "Property access without a property");
  return *obj;
}

TObject& Require(TObject* obj, PPropInfo prop) {
  return const_cast<TObject&>(Require(static_cast<const TObject*>(obj), prop));
}

PPropInfo RequireByName(const TObject* obj, std::string_view name) {
  PPropInfo prop = FindProperty(obj, name);
  if (!prop)
    throw EPropertyError("Unknown property: " + std::string(name));
  return prop;
}

PPropInfo RequireKind(PPropInfo prop, TTypeKind kind) {
  if (prop && prop->Kind() != kind)
    throw EPropertyError("Property " + prop->Name() + " is not of the requested kind");
  return prop;
}

} // namespace

const MetaClass* ClassOf(const TObject* obj) noexcept {
  auto* persistent = dynamic_cast<const TPersistent*>(obj);
  return persistent ? &persistent->ClassType() : nullptr;
}

PPropInfo FindProperty(const TObject* obj, std::string_view name) noexcept {
  const MetaClass* meta = ClassOf(obj);
  return meta ? meta->FindProperty(name) : nullptr;
}

TTypeKind GetPropertyKind(PPropInfo prop) noexcept {
  return prop ? prop->Kind() : tkUnknown;
}

bool IsWritable(PPropInfo prop) noexcept {
  return prop && prop->IsWritable();
}

std::vector<PPropInfo> GetPropertyList(const TObject* obj, std::vector<TTypeKind> kinds) {
  const MetaClass* meta = ClassOf(obj);
  if (!meta)
    return {};
  std::vector<PPropInfo> all = meta->Properties();
  if (!kinds.empty())
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](PPropInfo p) {
                               return std::find(kinds.begin(), kinds.end(), p->Kind()) ==
                                      kinds.end();
                             }),
              all.end());
  return all;
}

Variant GetPropertyValue(const TObject* obj, PPropInfo prop) {
  return prop->GetValue(Require(obj, prop));
}

void SetPropertyValue(TObject* obj, PPropInfo prop, const Variant& value) {
  prop->SetValue(Require(obj, prop), value);
}

Variant GetPropertyValue(const TObject* obj, std::string_view name) {
  return GetPropertyValue(obj, RequireByName(obj, name));
}

void SetPropertyValue(TObject* obj, std::string_view name, const Variant& value) {
  SetPropertyValue(obj, RequireByName(obj, name), value);
}

std::string GetEnumName(const TObject* obj, PPropInfo prop) {
  const TObject& o = Require(obj, RequireKind(prop, tkEnumeration));
  return prop->Enum()->Identifier(prop->GetOrdinal(o));
}

void SetEnumByName(TObject* obj, PPropInfo prop, std::string_view identifier) {
  TObject& o = Require(obj, RequireKind(prop, tkEnumeration));
  int32_t ordinal = prop->Enum()->Find(identifier);
  if (ordinal < 0)
    throw EPropertyError("Invalid property element: " + std::string(identifier));
  prop->SetOrdinal(o, ordinal);
}

std::string GetSetText(const TObject* obj, PPropInfo prop, bool brackets) {
  const TObject& o = Require(obj, RequireKind(prop, tkSet));
  return prop->Enum()->SetToText(static_cast<uint32_t>(prop->GetOrdinal(o)), brackets);
}

void SetSetText(TObject* obj, PPropInfo prop, std::string_view text) {
  TObject& o = Require(obj, RequireKind(prop, tkSet));
  prop->SetOrdinal(o, prop->Enum()->TextToSet(text));
}

TObject* GetObjectProperty(const TObject* obj, PPropInfo prop) {
  return prop->GetObject(Require(obj, prop));
}

void SetObjectProperty(TObject* obj, PPropInfo prop, TObject* value) {
  prop->SetObject(Require(obj, prop), value);
}

std::string GetMethodName(const TObject* obj, PPropInfo prop) {
  return prop->GetHandlerName(Require(obj, prop));
}

void SetMethodByName(TObject* obj, PPropInfo prop, std::string_view name, TObject* root) {
  TObject& o = Require(obj, prop);
  prop->SetHandler(o, name, root ? *root : o);
}

} // namespace rtl
