// The walk over a component tree: markers, the properties of one component, combo-box items,
// and the fonts and reading order of the controls of a form.
#include "support/translator.h"

#include "rtl/published_access.h"
#include "support/language_text.h"
#include "support/translator_controls.h"
#include "support/translator_custom.h"

namespace {

namespace ctl = support::controls;

constexpr int32_t kTagSkipAll = 9999;
constexpr int32_t kTagSkipOwn = 9998;
constexpr int32_t kTagCustomOnly = 9997;

/// The flag of Tag - 10000 that skips a property name; 0 for names without one.
int32_t SkipFlag(const std::string& name) {
  static const std::pair<const char*, int32_t> kFlags[] = {
      {"hint", 1}, {"caption", 2}, {"items", 4}, {"strings", 8}, {"text", 16}, {"pages", 32}};
  const std::string lowered = support::AsciiLower(name);
  for (const auto& [flagName, flag] : kFlags) {
    if (lowered == flagName)
      return flag;
  }
  return 0;
}

int32_t TagFlags(const TObject* comp) {
  auto* c = dynamic_cast<const TComponent*>(comp);
  if (c && c->Tag() >= 10000 && c->Tag() <= 10047)
    return c->Tag() - 10000;
  return 0;
}

bool SkippedByHelpContext(const TComponent* comp) {
  const auto help = ctl::Ordinal(comp, "HelpContext");
  return help && (*help == -1 || *help == 9999);
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

} // namespace

void TWtransl::TranslateComponent(TObject* comp) {
  bool allow = true;
  if (OnBeforeTranslateComponent)
    OnBeforeTranslateComponent(this, comp, Resources.get(), allow);
  if (!allow)
    return;
  PrepareFonts(comp);
  std::optional<int64_t> selected;
  if (ctl::IsComboBox(comp))
    selected = ctl::Ordinal(comp, "ItemIndex");
  const int32_t flags = TagFlags(comp);
  const bool edit = ctl::IsEditControl(comp);
  for (int32_t i = 0; i < ComponentProperties.Count(); ++i) {
    const std::string& name = ComponentProperties[i];
    const int32_t flag = SkipFlag(name);
    if ((flags & flag) != 0)
      continue;
    if (edit && flag == 16)
      continue;
    try {
      TranslateProperty(comp, name);
    } catch (...) {
    }
  }
  if (TWtranslatorCustom* custom = FindTranslatorCustom(comp, true))
    custom->Translate(*this, comp, Resources.get(), nullptr, nullptr);
  if (selected && ctl::Ordinal(comp, "ItemIndex") != selected)
    ctl::SetOrdinal(comp, "ItemIndex", *selected);
  if (OnCustomTranslate)
    OnCustomTranslate(this, comp, Resources.get());
}

void TWtransl::BeginVisit() {
  if (++VisitDepth == 1)
    Visited = std::make_unique<std::set<const TObject*>>();
}

void TWtransl::EndVisit() {
  if (--VisitDepth == 0) {
    EnlargedFontSize = 0;
    Visited.reset();
  }
}

void TWtransl::TranslateOwned(TComponent* owner) {
  const bool form = ctl::IsForm(owner);
  if (form) {
    EnlargedFontSize = 0;
    BeginVisit();
    if (TObject* font = ctl::ObjectProperty(owner, "Font")) {
      ctl::SetOrdinal(font, "Charset", Charset);
      if (support::IsEastAsianCharset(Charset)) {
        if (auto size = ctl::Ordinal(font, "Size")) {
          ctl::SetOrdinal(font, "Size", *size + 2);
          EnlargedFontSize = static_cast<int32_t>(*size + 2);
        }
        owner->SetTag(kTagSkipOwn);
      }
    }
    ctl::SetOrdinal(owner, "BiDiMode", BiDiMode);
  }
  struct VisitEnd {
    TWtransl* self;
    bool active;
    ~VisitEnd() {
      if (active)
        self->EndVisit();
    }
  } visitEnd{this, form};

  for (int32_t i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* comp = owner->Components(i);
    if (comp->Tag() == kTagSkipAll || SkippedByHelpContext(comp) ||
        StartsWith(comp->Name(), "__") || (SkipOwned && SkipOwned(*comp)))
      continue;
    if (comp->Tag() == kTagCustomOnly) {
      if (OnCustomTranslate)
        OnCustomTranslate(this, comp, Resources.get());
    } else if (comp->Tag() != kTagSkipOwn) {
      TranslateComponent(comp);
    }
    if (StartsWith(comp->Name(), "_"))
      continue;
    if (comp->ComponentCount() > 0)
      TranslateOwned(comp);
    if (comp->Tag() != kTagCustomOnly && ctl::IsComboBox(comp) && (TagFlags(comp) & 4) == 0)
      TranslateItems(comp);
  }
}

void TWtransl::TranslateItems(TComponent* comp) {
  const std::optional<int64_t> selected = ctl::Ordinal(comp, "ItemIndex");
  try {
    TranslateProperty(comp, "Items");
  } catch (...) {
  }
  if (selected)
    ctl::SetOrdinal(comp, "ItemIndex", *selected);
}

void TWtransl::PrepareFonts(TObject* comp) {
  if (Visited && !Visited->insert(comp).second)
    return;
  bool enlarge = false;
  if (support::IsEastAsianCharset(Charset) && EnlargedFontSize > 0) {
    PPropInfo parentFont = rtl::FindProperty(comp, "ParentFont");
    if (parentFont && parentFont->Kind() == tkEnumeration &&
        parentFont->Enum() == &rtl::BooleanType())
      enlarge = ctl::Ordinal(comp, "ParentFont") != 1;
  }
  if (BiDiMode != 0)
    ctl::SetOrdinal(comp, "BiDiMode", BiDiMode);
  for (const char* name : {"FocusFont", "Font"}) {
    try {
      TObject* font = ctl::ObjectProperty(comp, name);
      if (!font)
        continue;
      // Fonts of this component model have no system handle of their own to create first: the
      // control realises its font from these properties.
      if (ctl::Ordinal(font, "Charset") == 2)
        continue;
      ctl::SetOrdinal(font, "Charset", Charset);
      if (enlarge) {
        if (auto size = ctl::Ordinal(font, "Size"))
          ctl::SetOrdinal(font, "Size", *size + 2);
      }
    } catch (...) {
    }
  }
}
