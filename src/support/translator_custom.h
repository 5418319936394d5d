// Custom translators: objects that know how to translate values of a class the translator does
// not handle itself (a wide-character string list, for instance). A module-wide registry holds
// them, behind its own lock; it starts with the translator of TTntStrings.
#pragma once

#include "rtl/object.h"
#include "rtl/published.h"

#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>

class TWtransl;
class TWtranslLanguagesList;

/// A class as a value: its name and a test whether an object belongs to it or to a descendant.
struct TClassRef {
  const char* Name;
  bool (*IsInstance)(const TObject* obj);
};

template <class T> const TClassRef* ClassRefOf(const char* name) {
  static const TClassRef ref{
      name, [](const TObject* obj) { return dynamic_cast<const T*>(obj) != nullptr; }};
  return &ref;
}

class TWtranslatorCustom : public TObject {
public:
  /// PropName is kept in lower case.
  TWtranslatorCustom(const TClassRef* objClass, std::string_view propName);

  const TClassRef* ObjClass; // null: any class
  std::string PropName;

  /// Translates Obj (or its property Prop, with Value the text); true when it handled it. The
  /// base handles nothing.
  virtual bool Translate(TWtransl& translator, TObject* obj, TWtranslLanguagesList* resources,
                         PPropInfo prop, std::u16string* value);
};

/// Translates the lines of a TTntStrings.
class TWtranslatorCustomTntStrings : public TWtranslatorCustom {
public:
  using TWtranslatorCustom::TWtranslatorCustom;
  bool Translate(TWtransl& translator, TObject* obj, TWtranslLanguagesList* resources,
                 PPropInfo prop, std::u16string* value) override;
};

using TWtranslatorCustomClass = std::unique_ptr<TWtranslatorCustom> (*)(const TClassRef* objClass,
                                                                        std::string_view propName);

template <class T>
std::unique_ptr<TWtranslatorCustom> MakeTranslatorCustom(const TClassRef* objClass,
                                                         std::string_view propName) {
  return std::make_unique<T>(objClass, propName);
}

/// Creates a translator of class TranslatorClass for ObjClass and PropName and appends it to the
/// registry; answers true.
bool RegisterTranslatorCustom(const TClassRef* objClass, std::string_view propName,
                              TWtranslatorCustomClass translatorClass);

/// The first registered translator with an empty PropName whose ObjClass Obj belongs to
/// (PropNameSet false), or with a non-empty PropName whose ObjClass is unset or one Obj belongs
/// to (PropNameSet true); null when there is none. The translator stays registered until the
/// library unloads.
TWtranslatorCustom* FindTranslatorCustom(const TObject* obj, bool propNameSet);
