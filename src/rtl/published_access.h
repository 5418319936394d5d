// Reaching the published properties of an object by name and kind: the operations that the
// settings store, the property map, the translator and the form reader use. Objects that are
// not TPersistent descendants have no published properties.
#pragma once

#include "rtl/published.h"

#include <string>
#include <string_view>
#include <vector>

namespace rtl {

/// The run-time class of Obj, or null for null and for objects without published properties.
const MetaClass* ClassOf(const TObject* obj) noexcept;

/// The published property Name of Obj's class regardless of case, inherited ones included;
/// null when there is none (or Obj is null).
PPropInfo FindProperty(const TObject* obj, std::string_view name) noexcept;
/// tkUnknown for a null property.
TTypeKind GetPropertyKind(PPropInfo prop) noexcept;
/// False for a null property.
bool IsWritable(PPropInfo prop) noexcept;
/// Every published property of Obj's class, the ancestors' first; Kinds, when not empty, keeps
/// only properties of those kinds.
std::vector<PPropInfo> GetPropertyList(const TObject* obj, std::vector<TTypeKind> kinds = {});

/// The value through a variant (see TPropInfo::GetValue). Obj and Prop must not be null.
Variant GetPropertyValue(const TObject* obj, PPropInfo prop);
void SetPropertyValue(TObject* obj, PPropInfo prop, const Variant& value);
/// By name; a missing property raises EPropertyError "Unknown property: <name>".
Variant GetPropertyValue(const TObject* obj, std::string_view name);
void SetPropertyValue(TObject* obj, std::string_view name, const Variant& value);

/// The identifier of an enumeration property's value ("True", "dupIgnore").
std::string GetEnumName(const TObject* obj, PPropInfo prop);
/// Sets an enumeration property to the value whose identifier equals Identifier regardless of
/// case; an unknown one raises EPropertyError "Invalid property element: <identifier>".
void SetEnumByName(TObject* obj, PPropInfo prop, std::string_view identifier);

/// A set property's value as "[a,b]" (or "a,b").
std::string GetSetText(const TObject* obj, PPropInfo prop, bool brackets = true);
/// Reads "[a, b]", "a,b" or "[]".
void SetSetText(TObject* obj, PPropInfo prop, std::string_view text);

/// The object a tkClass property refers to (null for none).
TObject* GetObjectProperty(const TObject* obj, PPropInfo prop);
void SetObjectProperty(TObject* obj, PPropInfo prop, TObject* value);

/// The name of the handler attached to an event property.
std::string GetMethodName(const TObject* obj, PPropInfo prop);
/// Attaches the handler Name of Root's class to an event property; empty Name detaches.
void SetMethodByName(TObject* obj, PPropInfo prop, std::string_view name, TObject* root);

} // namespace rtl
