#include "support/translator.h"

#include "platform/codepage.h"
#include "rtl/published_access.h"
#include "rtl/published_builder.h"
#include "support/application.h"
#include "support/message_pump.h"
#include "support/translator_controls.h"
#include "support/translator_custom.h"

const rtl::MetaClass& TWtransl::StaticClass() {
  using T = TWtransl;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TWtransl")
          .Object(
              "ComponentProperties",
              [](const T& t) { return const_cast<TStringList*>(&t.ComponentProperties); },
              [](T& t, TStringList* names) {
                if (names)
                  t.ComponentProperties.Assign(*names);
              })
          .LString("LanguageFile", &T::LanguageFile, &T::LanguageFile)
          .Method("OnCustomTranslate", &T::OnCustomTranslate)
          .Method("OnBeforeTranslate", &T::OnBeforeTranslate)
          .Method("OnAfterTranslate", &T::OnAfterTranslate)
          .Method("OnCustomObjectPropertyTranslate", &T::OnCustomObjectPropertyTranslate)
          .Method("OnBeforeTranslateComponent", &T::OnBeforeTranslateComponent)
          .Method("OnPropertyTranslate", &T::OnPropertyTranslate);
  return meta;
}

TWtransl::TWtransl(TComponent* owner, bool noExpiry) : TComponent(owner), NoExpiry(noExpiry) {
  for (const char* name : {"CAPTION", "HINT", "TEXT", "TITLE", "CAPTIONS"})
    ComponentProperties.Add(name);
}

TWtransl::~TWtransl() {
  SaveCollected();
  // The timer is taken out under the lock but freed outside it: freeing it from another thread
  // waits for its owner thread, which may be inside Expire waiting for the lock.
  TzetTimerEx* timer = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock);
    std::swap(timer, ExpiryTimer);
  }
  FreeTimer(timer);
  Resources.reset();
  Visited.reset();
}

bool TWtransl::Translate(const std::string& language, TObject* component, std::u16string* text,
                         const std::string& sourceLanguage) {
  {
    // Every field of the translator is read and written under the lock: modules translate from
    // any host thread.
    std::lock_guard<std::recursive_mutex> lock(Lock);
    const std::string source = sourceLanguage.empty() ? CurrentLanguage : sourceLanguage;
    TargetLanguage = language.empty() ? GetLanguages(nullptr) : language;
    SourceLanguage = source;
    if (!Resources) {
      Resources = std::make_unique<TWtranslLanguagesList>();
      LoadedKey.clear();
      LoadedCount = 0;
    }
    if (source + TargetLanguage != LoadedKey) {
      LoadedKey = source + TargetLanguage;
      LoadedCount = LoadLanguageFile(LanguageFile, source, Resources.get(), TargetLanguage);
    }
    if (ExpiryTimer) {
      try {
        ExpiryTimer->SetEnabled(false);
      } catch (...) {
      }
    }
    if (OnBeforeTranslate)
      OnBeforeTranslate(this, Resources.get());
    if (SaveMode == tsmOff && LoadedCount <= 0)
      return false;

    if (component) {
      auto* comp = dynamic_cast<TComponent*>(component);
      if (!comp || comp->Tag() != 9998)
        TranslateComponent(component);
      if (comp)
        TranslateOwned(comp);
    } else if (text) {
      *text = TranslateText(*text, nullptr, nullptr);
    } else {
      support::Application& app = support::TheApplication();
      app.BiDiMode = BiDiMode;
      for (TComponent* form : app.Forms()) {
        if (form->Tag() == 9999)
          continue;
        if (form->Tag() != 9998)
          TranslateComponent(form);
        TranslateOwned(form);
        support::ProcessMessages();
      }
      CurrentLanguage = TargetLanguage;
    }
    if (OnAfterTranslate)
      OnAfterTranslate(this, Resources.get());
  }
  if (!NoExpiry)
    StartExpiryTimer();
  return true;
}

void TWtransl::StartExpiryTimer() noexcept {
  try {
    std::lock_guard<std::recursive_mutex> lock(Lock);
    if (!ExpiryTimer) {
      ExpiryTimer = new TzetTimerEx(nullptr, ExpiryScheduler);
      ExpiryTimer->SetEnabled(false);
      ExpiryTimer->SetInterval(kExpiryMs);
      ExpiryTimer->SetOnTimer([this](TObject*) { Expire(); });
    }
    ExpiryTimer->SetEnabled(true);
  } catch (...) {
  }
}

void TWtransl::Expire() {
  std::lock_guard<std::recursive_mutex> lock(Lock);
  if (ExpiryTimer) {
    try {
      ExpiryTimer->SetEnabled(false);
    } catch (...) {
    }
  }
  LoadedCount = 0;
  LoadedKey.clear();
  Resources.reset();
}

std::u16string TWtransl::TranslateText(const std::u16string& text, TObject* obj, PPropInfo prop,
                                       bool* doDefaultOut) {
  bool found = false;
  std::u16string translation = LookupText(text, Resources.get(), found);
  bool doDefault = true;
  if (OnPropertyTranslate)
    OnPropertyTranslate(this, obj, prop, text, translation, found, doDefault);
  if (SaveMode != tsmOff)
    Record(text, obj, prop, found, doDefault);
  if (doDefaultOut)
    *doDefaultOut = doDefault;
  return doDefault ? translation : text;
}

namespace {

bool IsTextKind(TTypeKind kind) {
  return kind == tkChar || kind == tkString || kind == tkWChar || kind == tkLString ||
         kind == tkWString || kind == tkVariant;
}

std::u16string ReadWide(const TObject& obj, PPropInfo prop) {
  switch (prop->Kind()) {
  case tkWString:
    return prop->GetWideText(obj);
  case tkString:
  case tkLString:
    return platform::AnsiToWide(prop->GetText(obj));
  case tkChar:
    return platform::AnsiToWide(std::string(1, static_cast<char>(prop->GetOrdinal(obj))));
  case tkWChar:
    return std::u16string(1, static_cast<char16_t>(prop->GetOrdinal(obj)));
  default:
    return prop->GetValue(obj).ToWide();
  }
}

void WriteWide(TObject& obj, PPropInfo prop, const std::u16string& value) {
  switch (prop->Kind()) {
  case tkWString:
    prop->SetWideText(obj, value);
    break;
  case tkString:
  case tkLString:
    prop->SetText(obj, platform::WideToAnsi(value));
    break;
  case tkChar: {
    const std::string a = platform::WideToAnsi(value);
    if (!a.empty())
      prop->SetOrdinal(obj, static_cast<unsigned char>(a[0]));
    break;
  }
  case tkWChar:
    if (!value.empty())
      prop->SetOrdinal(obj, value[0]);
    break;
  default:
    prop->SetValue(obj, rtl::Variant::Wide(value));
    break;
  }
}

} // namespace

bool TWtransl::TranslateProperty(TObject* obj, const std::string& name) {
  PPropInfo prop = rtl::FindProperty(obj, name);
  if (!prop)
    return false;
  if (IsTextKind(prop->Kind())) {
    const std::u16string old = ReadWide(*obj, prop);
    bool doDefault = true;
    const std::u16string translated = TranslateText(old, obj, prop, &doDefault);
    if (doDefault && translated != old && prop->IsWritable())
      WriteWide(*obj, prop, translated);
    return doDefault;
  }
  if (prop->Kind() != tkClass)
    return false;
  TObject* value = prop->GetObject(*obj);
  if (!value)
    return false;
  if (auto* lines = dynamic_cast<TStringList*>(value)) {
    for (int32_t i = 0; i < lines->Count(); ++i) {
      const std::u16string old = platform::AnsiToWide((*lines)[i]);
      bool doDefault = true;
      const std::u16string translated = TranslateText(old, lines, nullptr, &doDefault);
      if (doDefault && translated != old)
        lines->Put(i, platform::WideToAnsi(translated));
    }
    return true;
  }
  bool handled = false;
  if (TWtranslatorCustom* custom = FindTranslatorCustom(value, false))
    handled = custom->Translate(*this, value, Resources.get(), nullptr, nullptr);
  if (!handled && OnCustomObjectPropertyTranslate)
    OnCustomObjectPropertyTranslate(this, name, value, Resources.get());
  return handled;
}
