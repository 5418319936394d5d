// Published properties: the run-time description of a class that the settings store, the
// translator, the module object and the form reader use to reach properties by name and kind.
//
// Every class with published properties derives from TPersistent and has one rtl::MetaClass:
// its name, its parent class, its property table (TPropInfo), the named event handlers that a form
// resource can attach to events, the owned-component fields that track components by name, the
// properties it streams itself (custom properties) and, for components, a factory. A class table
// chains to its parent's, so every lookup includes inherited entries. Tables are declared with
// rtl::Published (rtl/published_builder.h).
#pragma once

#include "rtl/exceptions.h"
#include "rtl/variant.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

class TObject;
class TComponent;

/// The kind of a published property.
enum TTypeKind : uint8_t {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkInt64
};

namespace rtl {

struct FormValue;
class MetaClass;

/// A published property was used in a way its kind or class does not allow, or got a bad value.
class EPropertyError : public Exception {
public:
  using Exception::Exception;
};

/// ASCII comparison regardless of case, the rule for property, class, handler and component names.
bool SameName(std::string_view a, std::string_view b) noexcept;

/// The identifiers of an enumeration type, by ordinal. A set property uses the enumeration of its
/// elements: bit i of the set's value stands for identifier i (at most 32 elements).
/// Objects of this type are referenced by property tables and must have static storage.
class EnumType {
public:
  EnumType(std::string name, std::vector<std::string> identifiers);

  const std::string& Name() const noexcept { return name_; }
  int32_t Count() const noexcept { return static_cast<int32_t>(identifiers_.size()); }
  /// The identifier of Ordinal; throws EPropertyError for an ordinal outside the type.
  const std::string& Identifier(int64_t ordinal) const;
  /// The ordinal whose identifier equals Text regardless of case, or -1.
  int32_t Find(std::string_view text) const noexcept;

  /// "[a,b]" (or "a,b" without Brackets) for the bits of Value, in ordinal order.
  std::string SetToText(uint32_t value, bool brackets = true) const;
  /// Reads "[a, b]", "a,b" or "" (blanks around elements are ignored); an unknown element raises
  /// EPropertyError "Invalid property element: <element>".
  uint32_t TextToSet(std::string_view text) const;

private:
  std::string name_;
  std::vector<std::string> identifiers_;
};

/// Boolean, the enumeration with "False" and "True".
const EnumType& BooleanType();

template <class T, class Base> class Published;

namespace detail {
/// The type-erased accessors of one property; the builder fills the pair of the property's kind
/// (a missing setter makes the property read-only).
struct PropertyAccessors {
  std::function<int64_t(const TObject&)> getOrdinal;
  std::function<void(TObject&, int64_t)> setOrdinal;
  std::function<double(const TObject&)> getFloat;
  std::function<void(TObject&, double)> setFloat;
  std::function<std::string(const TObject&)> getText;
  std::function<void(TObject&, const std::string&)> setText;
  std::function<std::u16string(const TObject&)> getWide;
  std::function<void(TObject&, const std::u16string&)> setWide;
  std::function<Variant(const TObject&)> getVariant;
  std::function<void(TObject&, const Variant&)> setVariant;
  std::function<TObject*(const TObject&)> getObject;
  std::function<void(TObject&, TObject*)> setObject;
  std::function<std::string(const TObject&)> getHandler;
  /// Attaches a std::function of the event's type (an empty std::any detaches) under a name.
  std::function<void(TObject&, const std::string&, const std::any&)> setHandler;
  /// typeid of the event's function type.
  std::type_index signature = typeid(void);
};
} // namespace detail

} // namespace rtl

/// One published property of a class. The accessors check that the object belongs to the
/// declaring class (or a descendant) and raise rtl::EPropertyError otherwise.
class TPropInfo {
public:
  TPropInfo(std::string name, TTypeKind kind) : name_(std::move(name)), kind_(kind) {}
  TPropInfo(const TPropInfo&) = delete;
  TPropInfo& operator=(const TPropInfo&) = delete;

  const std::string& Name() const noexcept { return name_; }
  TTypeKind Kind() const noexcept { return kind_; }
  /// False for a property without a setter. Event properties are always writable.
  bool IsWritable() const noexcept;
  /// False for a property that form resources never carry (the component's Name, for instance).
  bool IsStored() const noexcept { return stored_; }
  /// The enumeration of an enumeration property or the element type of a set property.
  const rtl::EnumType* Enum() const noexcept { return enum_; }
  /// The value a form writer leaves out (ordinal kinds only).
  const std::optional<int64_t>& DefaultOrdinal() const noexcept { return default_; }
  /// True for a 32-bit floating-point property.
  bool IsSinglePrecision() const noexcept { return single_; }

  /// The value as a variant: integers as 32- or 64-bit integers, characters as their codes,
  /// floats as doubles (or singles), 8-bit texts as the host runtime's 8-bit strings, wide texts
  /// as OLE strings, enumerations as their identifier ("True", "mttFilter"), sets as "[a,b]",
  /// events as the handler name. Object references raise EPropertyError (use GetObject).
  rtl::Variant GetValue(const TObject& obj) const;
  /// Sets the value from a variant with the usual conversions; enumerations and sets accept their
  /// identifiers regardless of case (or ordinals), events a handler name resolved against the
  /// topmost owner of Obj. Raises EPropertyError for a read-only property or a bad value.
  void SetValue(TObject& obj, const rtl::Variant& value) const;

  /// Ordinal kinds (integer, character, enumeration, set, 64-bit integer).
  int64_t GetOrdinal(const TObject& obj) const;
  /// Range-checked against the kind: 32 bits, a character, an ordinal of the enumeration, the bits
  /// of the set.
  void SetOrdinal(TObject& obj, int64_t value) const;
  double GetFloat(const TObject& obj) const;
  void SetFloat(TObject& obj, double value) const;
  /// 8-bit text of tkString and tkLString properties.
  std::string GetText(const TObject& obj) const;
  void SetText(TObject& obj, std::string_view value) const;
  std::u16string GetWideText(const TObject& obj) const;
  void SetWideText(TObject& obj, std::u16string_view value) const;
  /// The object of a tkClass property (not owned by the caller).
  TObject* GetObject(const TObject& obj) const;
  /// Value must be null or of the property's class, else EPropertyError.
  void SetObject(TObject& obj, TObject* value) const;
  /// Name of the handler attached to an event property, empty when none or unnamed.
  std::string GetHandlerName(const TObject& obj) const;
  /// Attaches the handler Name of Root's class (looked up regardless of case, inherited ones
  /// included) to the event; an empty Name detaches. Unknown handlers and handlers whose
  /// signature differs from the event's raise EPropertyError.
  void SetHandler(TObject& obj, std::string_view name, TObject& root) const;

private:
  template <class, class> friend class rtl::Published;

  [[noreturn]] void Fail(const char* what) const;
  void RequireWritable() const;

  std::string name_;
  TTypeKind kind_;
  bool stored_ = true;
  bool single_ = false;
  const rtl::EnumType* enum_ = nullptr;
  std::optional<int64_t> default_;
  rtl::detail::PropertyAccessors access_;
};

using PPropInfo = const TPropInfo*;

namespace rtl {

/// A method of a class that form resources attach to events by name.
struct HandlerInfo {
  std::string name;
  /// typeid of the handler's function type, for example void(TObject*).
  std::type_index signature = typeid(void);
  /// Returns a std::function of that type bound to Root (which must be of the declaring class).
  std::function<std::any(TObject& root)> bind;
};

/// An owner's field that tracks its owned component of the same name: set when a component of
/// that name and a matching class is inserted or renamed to it, cleared when it leaves.
struct FieldInfo {
  std::string name;
  /// Enable true: the field := Component when the class matches; false: cleared when it holds
  /// Component.
  std::function<void(TObject& owner, TComponent* component, bool enable)> bind;
};

/// A value that a class streams itself instead of through a published property (for example the
/// string holder's coded lines).
struct CustomProperty {
  std::string name;
  /// Applies a value read from a form resource.
  std::function<void(TObject& obj, const FormValue& value)> read;
  /// Fills the value to write and answers true, or answers false to leave it out. May be empty.
  std::function<bool(const TObject& obj, FormValue& value)> write;
};

/// The run-time class: name, parent, tables, factory.
class MetaClass {
public:
  using Factory = TComponent* (*)(TComponent* owner);

  MetaClass(std::string name, const MetaClass* parent);
  MetaClass(MetaClass&&) noexcept;
  ~MetaClass();
  MetaClass(const MetaClass&) = delete;
  MetaClass& operator=(const MetaClass&) = delete;

  const std::string& Name() const noexcept { return name_; }
  const MetaClass* Parent() const noexcept { return parent_; }
  /// True when Ancestor is this class or one of its parents.
  bool InheritsFrom(const MetaClass& ancestor) const noexcept;
  /// The same by class name, regardless of case.
  bool InheritsFrom(std::string_view className) const noexcept;

  /// The property Name of this class or of an ancestor (the most derived declaration wins).
  PPropInfo FindProperty(std::string_view name) const noexcept;
  /// Every property, the ancestors' first, in declaration order; redeclared ones appear once, at
  /// the position of the ancestor's declaration.
  std::vector<PPropInfo> Properties() const;
  const HandlerInfo* FindHandler(std::string_view name) const noexcept;
  const FieldInfo* FindField(std::string_view name) const noexcept;
  const CustomProperty* FindCustomProperty(std::string_view name) const noexcept;
  /// The ancestors' first, in declaration order.
  std::vector<const CustomProperty*> CustomProperties() const;

  /// True for a component class with a public constructor taking the owner.
  bool IsCreatable() const noexcept { return factory_ != nullptr; }
  /// A new object of this class owned by Owner; EPropertyError when the class cannot be created.
  TComponent* Create(TComponent* owner) const;

private:
  template <class, class> friend class Published;

  std::string name_;
  const MetaClass* parent_;
  Factory factory_ = nullptr;
  std::vector<std::unique_ptr<TPropInfo>> properties_;
  std::vector<HandlerInfo> handlers_;
  std::vector<FieldInfo> fields_;
  std::vector<CustomProperty> customs_;
};

} // namespace rtl
