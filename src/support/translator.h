// Component translation (unit TWtranslator): translates the texts of a tree of components (the
// module object, a dialog and everything they own) from a source language into a target language
// with the translations of a language file, and applies the font character set and the reading
// order that the file asks for.
//
// What is translated: the published properties named in ComponentProperties (matched regardless
// of case) of every component, the lines of string-list properties and, for combo boxes, their
// items (the selected index is kept). Markers keep parts of the tree as they are:
//   Tag 9999           the component and everything it owns
//   Tag 9998           its own properties (what it owns is translated)
//   Tag 9997           its own properties and its items; OnCustomTranslate is raised for it
//   Tag 10000..10047   Tag - 10000 is a set of flags: 1 "hint", 2 "caption", 4 "items",
//                      8 "strings", 16 "text", 32 "pages" are skipped
//   name "__..."       the component and everything it owns
//   name "_..."        what it owns and its items (its own properties are translated)
//   HelpContext -1 or 9999 on a control: the control and everything it owns
// An edit control's text is never translated.
//
// The translations are loaded on the first Translate and kept for the next ones with the same
// two languages; 20000 ms after the last Translate an expiry timer, in the thread of that call,
// releases them. One lock serialises translating, loading and expiry.
#pragma once

#include "rtl/component.h"
#include "rtl/published_event.h"
#include "rtl/string_list.h"
#include "support/language_file.h"
#include "support/language_resources.h"
#include "support/timer_ex.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

using TCustomTranslateNotify =
    rtl::Event<void(TObject* sender, TObject* comp, TWtranslLanguagesList* resources)>;
using TTranslateNotify = rtl::Event<void(TObject* sender, TWtranslLanguagesList* resources)>;
using TCustomObjectPropertyTranslateNotify = rtl::Event<void(
    TObject* sender, const std::string& prop, TObject* obj, TWtranslLanguagesList* resources)>;
using TBeforeTranslateComponentNotify =
    rtl::Event<void(TObject* sender, TObject* comp, TWtranslLanguagesList* resources, bool& allow)>;
using TPropertyTranslateNotify =
    rtl::Event<void(TObject* sender, TObject* obj, PPropInfo prop, const std::u16string& oldValue,
                    std::u16string& newValue, bool found, bool& doDefault)>;

class TWtransl : public TComponent, public TWtranslLanguage {
public:
  explicit TWtransl(TComponent* owner) : TWtransl(owner, false) {}
  /// NoExpiry true keeps the loaded translations until destruction.
  TWtransl(TComponent* owner, bool noExpiry);
  ~TWtransl() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Translates Component and what it owns (or Text when no component is given, or else every
  /// form of the application) from SourceLanguage (empty: CurrentLanguage) into Language (empty:
  /// the file's default language). False when nothing was translated because the file gave no
  /// entries (unless an analysis mode is on).
  bool Translate(const std::string& language, TObject* component, std::u16string* text,
                 const std::string& sourceLanguage);

  /// One text: its translation, or Text itself when it has none or a handler or an analysis
  /// mode keeps it. DoDefault, when given, receives whether the translation is to be applied.
  std::u16string TranslateText(const std::u16string& text, TObject* obj, PPropInfo prop,
                               bool* doDefault = nullptr);
  /// The published property Name of Obj; true when it was handled.
  bool TranslateProperty(TObject* obj, const std::string& name);
  /// The own properties of Comp.
  void TranslateComponent(TObject* comp);
  /// Everything Owner owns, with the markers applied.
  void TranslateOwned(TComponent* owner);
  /// Character set, size and reading order of Comp's fonts, once per form translation.
  void PrepareFonts(TObject* comp);
  /// Releases the loaded translations; the next Translate reads the file again.
  void Expire();

  /// ComponentProperties as the host reads it: each name followed by CR LF.
  std::string ComponentPropertiesText() const { return ComponentProperties.Text(); }
  void SetComponentProperties(const TStringList& names) { ComponentProperties.Assign(names); }

  TStringList ComponentProperties;
  TCustomTranslateNotify OnCustomTranslate;
  TTranslateNotify OnBeforeTranslate;
  TTranslateNotify OnAfterTranslate;
  TCustomObjectPropertyTranslateNotify OnCustomObjectPropertyTranslate;
  TBeforeTranslateComponentNotify OnBeforeTranslateComponent;
  TPropertyTranslateNotify OnPropertyTranslate;
  /// Owned components that the walk leaves alone together with all they own: a module's dialog
  /// that another thread runs is only ever touched by that thread.
  std::function<bool(const TComponent& component)> SkipOwned;

  std::unique_ptr<TWtranslLanguagesList> Resources;
  std::string LoadedKey;
  int32_t LoadedCount = 0;
  std::string CurrentLanguage;
  int32_t EnlargedFontSize = 0;
  std::recursive_mutex Lock;
  TzetTimerEx* ExpiryTimer = nullptr;
  bool NoExpiry = false;
  /// Where the expiry timer measures its period (null: the system's timers).
  TTimerScheduler* ExpiryScheduler = nullptr;
  /// How long loaded translations are kept without a Translate.
  static constexpr uint32_t kExpiryMs = 20000;

private:
  void BeginVisit();
  void EndVisit();
  void StartExpiryTimer() noexcept;
  /// The combo-box step of TranslateOwned: the items, with the selected index kept.
  void TranslateItems(TComponent* comp);

  std::unique_ptr<std::set<const TObject*>> Visited;
  std::atomic<int32_t> VisitDepth{0};
};
