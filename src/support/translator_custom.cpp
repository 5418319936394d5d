#include "support/translator_custom.h"

#include "rtl/wide_strings.h"
#include "support/language_text.h"
#include "support/translator.h"

#include <mutex>
#include <vector>

namespace {

// The registry lives as long as the library; it starts with the translator of TTntStrings.
struct Registry {
  std::mutex mutex;
  std::vector<std::unique_ptr<TWtranslatorCustom>> entries;
  Registry() {
    entries.push_back(MakeTranslatorCustom<TWtranslatorCustomTntStrings>(
        ClassRefOf<TTntStrings>("TTntStrings"), ""));
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

} // namespace

TWtranslatorCustom::TWtranslatorCustom(const TClassRef* objClass, std::string_view propName)
    : ObjClass(objClass), PropName(support::AsciiLower(propName)) {}

bool TWtranslatorCustom::Translate(TWtransl&, TObject*, TWtranslLanguagesList*, PPropInfo,
                                   std::u16string*) {
  return false;
}

bool TWtranslatorCustomTntStrings::Translate(TWtransl& translator, TObject* obj,
                                             TWtranslLanguagesList* resources, PPropInfo,
                                             std::u16string*) {
  auto* lines = dynamic_cast<TTntStrings*>(obj);
  if (!lines)
    return false;
  lines->BeginUpdate();
  try {
    for (int32_t i = 0; i < lines->Count(); ++i) {
      const std::u16string old = lines->Strings(i);
      bool found = false;
      std::u16string translated = translator.LookupText(old, resources, found);
      bool doDefault = true;
      if (translator.OnPropertyTranslate)
        translator.OnPropertyTranslate(&translator, obj, nullptr, old, translated, found,
                                       doDefault);
      if (translator.SaveMode != tsmOff)
        translator.Record(old, obj, nullptr, found, doDefault);
      if (doDefault && translated != old)
        lines->Put(i, translated);
    }
  } catch (...) {
    lines->EndUpdate();
    throw;
  }
  lines->EndUpdate();
  return true;
}

bool RegisterTranslatorCustom(const TClassRef* objClass, std::string_view propName,
                              TWtranslatorCustomClass translatorClass) {
  auto entry = translatorClass(objClass, propName);
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.entries.push_back(std::move(entry));
  return true;
}

TWtranslatorCustom* FindTranslatorCustom(const TObject* obj, bool propNameSet) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const auto& entry : registry.entries) {
    if (entry->PropName.empty() == propNameSet)
      continue;
    if (!entry->ObjClass ? propNameSet : entry->ObjClass->IsInstance(obj))
      return entry.get();
  }
  return nullptr;
}
