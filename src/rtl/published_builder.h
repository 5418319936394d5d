// Declaring a class table. A class's StaticClass() builds its table once:
//
//   const rtl::MetaClass& TzetStrHolder::StaticClass() {
//     static const rtl::MetaClass meta =
//         rtl::Published<TzetStrHolder, TComponent>("TzetStrHolder")
//             .Integer("Capacity", &TzetStrHolder::Capacity, &TzetStrHolder::SetCapacity)
//             .Boolean("Sorted", &TzetStrHolder::Sorted, &TzetStrHolder::SetSorted).Default(false)
//             .Method("OnChange", &TzetStrHolder::OnChange)
//             .Custom("StrData", &TzetStrHolder::ReadStrData, &TzetStrHolder::WriteStrData);
//     return meta;
//   }
//
// A getter is a const member function, a data member or a callable taking `const T&`; a setter
// is a member function, a data member, a callable taking `(T&, value)`, or absent (read-only).
// The getter's type is the property's value type. Component classes with a public constructor
// taking the owner get a factory, so that form resources can create them by class name.
#pragma once

#include "rtl/ansi_string.h"
#include "rtl/component.h"
#include "rtl/published.h"
#include "rtl/published_event.h"

#include <functional>
#include <type_traits>

namespace rtl {
namespace detail {

/// Raises EPropertyError for a property used with an object of an unrelated class.
[[noreturn]] void ThrowForeignObject(const TObject& obj);

template <class T> const T& Self(const TObject& obj) {
  if (auto* p = dynamic_cast<const T*>(&obj))
    return *p;
  ThrowForeignObject(obj);
}

template <class T> T& Self(TObject& obj) {
  if (auto* p = dynamic_cast<T*>(&obj))
    return *p;
  ThrowForeignObject(obj);
}

template <class T, class G>
using GetterValue = std::remove_cvref_t<std::invoke_result_t<const G&, const T&>>;

template <class T, class S, class V> void Store(T& self, const S& set, V&& value) {
  if constexpr (std::is_member_object_pointer_v<S>)
    self.*set = std::forward<V>(value);
  else
    std::invoke(set, self, std::forward<V>(value));
}

template <class V> int64_t ToOrdinal(const V& v) {
  if constexpr (std::is_same_v<V, char>)
    return static_cast<unsigned char>(v);
  else
    return static_cast<int64_t>(v);
}

inline std::string ToStdString(const std::string& s) {
  return s;
}
inline std::string ToStdString(std::string_view s) {
  return std::string(s);
}
inline std::string ToStdString(const AnsiString& s) {
  return s.Str();
}

} // namespace detail

template <class T, class Base = void> class Published {
  static_assert(std::is_base_of_v<TPersistent, T>, "published classes derive from TPersistent");
  static_assert(std::is_void_v<Base> || std::is_base_of_v<Base, T>, "Base must be a base of T");

public:
  explicit Published(std::string className) : meta_(std::move(className), ParentClass()) {
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>)
      meta_.factory_ = [](TComponent* owner) -> TComponent* { return new T(owner); };
  }

  /// Hands the finished table over; the builder is empty afterwards.
  operator MetaClass() { return std::move(meta_); }

  template <class G, class S = std::nullptr_t>
  Published& Integer(std::string name, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkInteger, nullptr, get, set);
  }
  template <class G, class S = std::nullptr_t>
  Published& Int64(std::string name, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkInt64, nullptr, get, set);
  }
  template <class G, class S = std::nullptr_t>
  Published& Char(std::string name, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkChar, nullptr, get, set);
  }
  template <class G, class S = std::nullptr_t>
  Published& WChar(std::string name, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkWChar, nullptr, get, set);
  }
  template <class G, class S = std::nullptr_t>
  Published& Boolean(std::string name, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkEnumeration, &BooleanType(), get, set);
  }
  /// Values are the ordinals of Type (a C++ enumeration whose values are 0, 1, ... in order).
  template <class G, class S = std::nullptr_t>
  Published& Enumeration(std::string name, const EnumType& type, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkEnumeration, &type, get, set);
  }
  /// Values are bit masks: bit i stands for element i of Elements.
  template <class G, class S = std::nullptr_t>
  Published& Set(std::string name, const EnumType& elements, G get, S set = nullptr) {
    return Ordinal(std::move(name), tkSet, &elements, get, set);
  }

  /// A double or float value.
  template <class G, class S = std::nullptr_t>
  Published& Float(std::string name, G get, S set = nullptr) {
    using V = detail::GetterValue<T, G>;
    static_assert(std::is_floating_point_v<V>, "a float property has a floating-point type");
    TPropInfo& p = Add(std::move(name), tkFloat);
    p.single_ = std::is_same_v<V, float>;
    p.access_.getFloat = [get](const TObject& o) {
      return static_cast<double>(std::invoke(get, detail::Self<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.access_.setFloat = [set](TObject& o, double v) {
        detail::Store(detail::Self<T>(o), set, static_cast<V>(v));
      };
    return *this;
  }

  /// An 8-bit text (std::string or rtl::AnsiString).
  template <class G, class S = std::nullptr_t>
  Published& LString(std::string name, G get, S set = nullptr) {
    using V = detail::GetterValue<T, G>;
    TPropInfo& p = Add(std::move(name), tkLString);
    p.access_.getText = [get](const TObject& o) {
      return detail::ToStdString(std::invoke(get, detail::Self<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.access_.setText = [set](TObject& o, const std::string& v) {
        detail::Store(detail::Self<T>(o), set, V(v));
      };
    return *this;
  }

  /// A wide text (std::u16string).
  template <class G, class S = std::nullptr_t>
  Published& WString(std::string name, G get, S set = nullptr) {
    using V = detail::GetterValue<T, G>;
    TPropInfo& p = Add(std::move(name), tkWString);
    p.access_.getWide = [get](const TObject& o) {
      return std::u16string(std::invoke(get, detail::Self<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.access_.setWide = [set](TObject& o, const std::u16string& v) {
        detail::Store(detail::Self<T>(o), set, V(v));
      };
    return *this;
  }

  /// An rtl::Variant value.
  template <class G, class S = std::nullptr_t>
  Published& Variant(std::string name, G get, S set = nullptr) {
    TPropInfo& p = Add(std::move(name), tkVariant);
    p.access_.getVariant = [get](const TObject& o) {
      return rtl::Variant(std::invoke(get, detail::Self<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.access_.setVariant = [set](TObject& o, const rtl::Variant& v) {
        detail::Store(detail::Self<T>(o), set, rtl::Variant(v));
      };
    return *this;
  }

  /// An object reference; the getter's pointer type is the class the property accepts.
  template <class G, class S = std::nullptr_t>
  Published& Object(std::string name, G get, S set = nullptr) {
    using V = detail::GetterValue<T, G>;
    static_assert(std::is_pointer_v<V>, "an object property holds a pointer");
    using P = std::remove_pointer_t<V>;
    static_assert(std::is_base_of_v<TObject, P> && !std::is_const_v<P>,
                  "an object property refers to a non-const TObject descendant");
    TPropInfo& p = Add(name, tkClass);
    p.access_.getObject = [get](const TObject& o) -> TObject* {
      return std::invoke(get, detail::Self<T>(o));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.access_.setObject = [set, name](TObject& o, TObject* value) {
        P* typed = nullptr;
        if (value && !(typed = dynamic_cast<P*>(value)))
          throw EPropertyError("Property " + name + " cannot refer to an object of this class");
        detail::Store(detail::Self<T>(o), set, typed);
      };
    return *this;
  }

  /// An event, kept in a data member of type rtl::Event<Signature>.
  template <class M, class Sig> Published& Method(std::string name, rtl::Event<Sig> M::*member) {
    static_assert(std::is_base_of_v<M, T>, "the event is a member of the class or a base");
    using E = rtl::Event<Sig>;
    TPropInfo& p = Add(std::move(name), tkMethod);
    p.access_.signature = typeid(Sig);
    p.access_.getHandler = [member](const TObject& o) {
      return (detail::Self<T>(o).*member).HandlerName();
    };
    p.access_.setHandler = [member](TObject& o, const std::string& handler, const std::any& fn) {
      E& event = detail::Self<T>(o).*member;
      if (!fn.has_value())
        event.Clear();
      else
        event = E(handler, std::any_cast<const typename E::Function&>(fn));
    };
    return *this;
  }

  /// The value the form writer leaves out for the last declared (ordinal) property.
  template <class V> Published& Default(V value) {
    Last().default_ = detail::ToOrdinal(value);
    return *this;
  }
  /// The last declared property is never written to form resources.
  Published& NotStored() {
    Last().stored_ = false;
    return *this;
  }

  /// A method that form resources can attach by Name to events of the same signature, on
  /// objects of this class and on the components these objects own.
  template <class C, class R, class... A>
  Published& Handler(std::string name, R (C::*method)(A...)) {
    static_assert(std::is_base_of_v<C, T>, "the handler is a method of the class or a base");
    HandlerInfo h;
    h.name = std::move(name);
    h.signature = typeid(R(A...));
    h.bind = [method](TObject& root) -> std::any {
      C* self = &detail::Self<T>(root);
      return std::function<R(A...)>(
          [self, method](A... args) -> R { return (self->*method)(std::forward<A>(args)...); });
    };
    meta_.handlers_.push_back(std::move(h));
    return *this;
  }

  /// A field that tracks the owned component called Name (null while there is none of a
  /// matching class).
  template <class M, class F> Published& Field(std::string name, F* M::*member) {
    static_assert(std::is_base_of_v<M, T>, "the field is a member of the class or a base");
    static_assert(std::is_base_of_v<TComponent, F>, "a field refers to a component");
    FieldInfo f;
    f.name = std::move(name);
    f.bind = [member](TObject& owner, TComponent* component, bool enable) {
      auto* self = dynamic_cast<T*>(&owner);
      if (!self)
        return;
      F*& field = self->*member;
      if (enable) {
        if (auto* typed = dynamic_cast<F*>(component))
          field = typed;
      } else if (field && static_cast<TComponent*>(field) == component) {
        field = nullptr;
      }
    };
    meta_.fields_.push_back(std::move(f));
    return *this;
  }

  /// A value the class streams itself: Read(T&, const FormValue&) applies it, Write(const T&,
  /// FormValue&) fills it and answers whether to write it (absent: never written).
  template <class R, class W = std::nullptr_t>
  Published& Custom(std::string name, R read, W write = nullptr) {
    CustomProperty c;
    c.name = std::move(name);
    c.read = [read](TObject& o, const FormValue& v) { std::invoke(read, detail::Self<T>(o), v); };
    if constexpr (!std::is_null_pointer_v<W>)
      c.write = [write](const TObject& o, FormValue& v) -> bool {
        return std::invoke(write, detail::Self<T>(o), v);
      };
    meta_.customs_.push_back(std::move(c));
    return *this;
  }

private:
  static const MetaClass* ParentClass() {
    if constexpr (std::is_void_v<Base>)
      return nullptr;
    else
      return &Base::StaticClass();
  }

  TPropInfo& Add(std::string name, TTypeKind kind) {
    meta_.properties_.push_back(std::make_unique<TPropInfo>(std::move(name), kind));
    return *meta_.properties_.back();
  }

  TPropInfo& Last() {
    if (meta_.properties_.empty())
      throw EPropertyError("No property declared yet in " + meta_.Name());
    return *meta_.properties_.back();
  }

  template <class G, class S>
  Published& Ordinal(std::string name, TTypeKind kind, const EnumType* type, G get, S set) {
    using V = detail::GetterValue<T, G>;
    static_assert(std::is_integral_v<V> || std::is_enum_v<V>,
                  "an ordinal property has an integral or enumeration type");
    TPropInfo& p = Add(std::move(name), kind);
    p.enum_ = type;
    p.access_.getOrdinal = [get](const TObject& o) {
      return detail::ToOrdinal(std::invoke(get, detail::Self<T>(o)));
    };
    if constexpr (!std::is_null_pointer_v<S>)
      p.access_.setOrdinal = [set](TObject& o, int64_t v) {
        detail::Store(detail::Self<T>(o), set, static_cast<V>(v));
      };
    return *this;
  }

  MetaClass meta_;
};

} // namespace rtl
