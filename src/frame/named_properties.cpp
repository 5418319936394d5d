// The named-property interface of a module instance: what the host reads and sets by name with
// GET-MODULE-PARAMETER and SET-MODULE-PARAMETER, without knowing the module class.
//
// Names are matched regardless of case, except the prefixes "ParserItemName", "ParserItemDesc",
// "ParserItemType" and "Custom", which are case-sensitive.
#include "frame/custom_values.h"
#include "frame/key_text.h"
#include "frame/plugin.h"
#include "platform/environment.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace {

using rtl::Variant;

Variant Text(std::string_view text) {
  return Variant::FromAnsiText(text);
}

Variant Integer(int32_t value) {
  return Variant::Int32(value);
}

// A handle keeps its 32-bit pattern in a 32-bit process; a 64-bit one that does not fit 32
// signed bits is answered whole.
Variant Handle(uintptr_t value) {
  if constexpr (sizeof(uintptr_t) == 4) {
    return Variant::Int32(static_cast<int32_t>(value));
  } else {
    if (value <= static_cast<uintptr_t>(std::numeric_limits<int32_t>::max()))
      return Variant::Int32(static_cast<int32_t>(value));
    return Variant::Int64(static_cast<int64_t>(value));
  }
}

int32_t EnabledBits(const TzetPlugin& p) {
  int32_t bits = 0;
  for (int32_t type = 0; type < 8; ++type) {
    if (p.ModuleEnabled[type])
      bits |= 1 << type;
  }
  return bits;
}

struct TGetter {
  std::string_view Name;
  Variant (*Read)(TzetPlugin&);
};

// Whole names, matched regardless of case; the first match answers.
const TGetter kGetters[] = {
    {"LogTitle", [](TzetPlugin& p) { return Text(p.LogTitle.View()); }},
    {"Description", [](TzetPlugin& p) { return Text(p.Description.View()); }},
    {"EventsSupported", [](TzetPlugin& p) { return Text(p.EventsSupported.View()); }},
    {"CustomCommands",
     [](TzetPlugin& p) { return Text(p.CustomCommands ? p.CustomCommands->Text() : ""); }},
    {"TranslatorComponentProperties",
     [](TzetPlugin& p) {
       return Text(p.Translator ? p.Translator->ComponentPropertiesText() : "");
     }},
    {"ModuleType", [](TzetPlugin& p) { return Integer(p.ModuleType); }},
    {"ModuleEnabled", [](TzetPlugin& p) { return Integer(EnabledBits(p)); }},
    {"ModuleDllHandle", [](TzetPlugin& p) { return Handle(p.ModuleDllHandle); }},
    {"ModuleLoadCount", [](TzetPlugin& p) { return Integer(p.ModuleLoadCount.load()); }},
    {"ModuleIndex", [](TzetPlugin& p) { return Integer(static_cast<int32_t>(p.ModuleIndex)); }},
    {"ModuleHandle", [](TzetPlugin& p) { return Integer(static_cast<int32_t>(p.ModuleHandle)); }},
    {"ModulePath", [](TzetPlugin& p) { return Text(p.ModulePath.View()); }},
    {"ModuleDataPath", [](TzetPlugin& p) { return Text(p.ModuleDataPath()); }},
    {"AppDataPath", [](TzetPlugin& p) { return Text(p.AppDataPath()); }},
    {"ModuleName", [](TzetPlugin& p) { return Text(p.ModuleName.View()); }},
    {"ModuleLoadForConfig", [](TzetPlugin& p) { return Integer(p.ModuleLoadForConfig); }},
    {"ModuleConfigId", [](TzetPlugin& p) { return Text(p.ModuleConfigId()); }},
    {"ApplicationFullName", [](TzetPlugin& p) { return Text(p.ApplicationFullName.View()); }},
    {"INIFile", [](TzetPlugin& p) { return Text(p.INIFile.View()); }},
    {"ModuleRegistryRoot1", [](TzetPlugin& p) { return Integer(p.ModuleRegistryRoot1); }},
    {"ModuleRegistryRoot2", [](TzetPlugin& p) { return Integer(p.ModuleRegistryRoot2); }},
    {"ModuleRegistryPath", [](TzetPlugin& p) { return Text(p.ModuleRegistryPath.View()); }},
    {"INISectionPrefix", [](TzetPlugin& p) { return Text(p.INISectionPrefix.View()); }},
    {"DisplayFullVersion", [](TzetPlugin& p) { return Text(p.DisplayFullVersion.View()); }},
    {"ParserItems", [](TzetPlugin& p) { return Text(p.GetParserItemsText()); }},
    {"ParserItemsCount", [](TzetPlugin& p) { return Integer(p.ParserItemCount()); }},
    {"DataSourceLoadFor", [](TzetPlugin& p) { return Text(p.DataSourceLoadFor.View()); }},
    {"TerminateNow", [](TzetPlugin& p) { return Variant::Bool(p.TerminateNow.load()); }},
    {"IsTemporaryLoad", [](TzetPlugin& p) { return Variant::Bool(p.IsTemporaryLoad); }},
    {"ParentApp", [](TzetPlugin& p) { return Handle(p.ParentApp); }},
    {"OWNERFORM", [](TzetPlugin& p) { return Handle(p.OwnerForm); }},
};

constexpr std::string_view kItemNamePrefix = "ParserItemName";
constexpr std::string_view kItemDescPrefix = "ParserItemDesc";
constexpr std::string_view kItemTypePrefix = "ParserItemType";
// The index of a parser-item key stands in the three characters after its prefix.
constexpr std::size_t kItemIndexWidth = 3;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The parser item a "ParserItem..." key addresses; nothing when its index is no number.
std::optional<TParserItem> KeyedParserItem(TzetPlugin& p, std::string_view name,
                                           std::string_view prefix) {
  const std::optional<int32_t> index =
      frame::DecimalValue(name.substr(prefix.size(), kItemIndexWidth));
  if (!index || *index < 0)
    return std::nullopt;
  return p.GetParserItem(*index);
}

// Bits 0..7 of Value as a set of module types; nothing when Value is no integer.
std::optional<TModuleTypes> ModuleTypesOf(const Variant& value) {
  if (value.IsEmptyValue())
    return TModuleTypes(0);
  try {
    return static_cast<TModuleTypes>(value.ToInt32() & 0xFF);
  } catch (...) {
    return std::nullopt;
  }
}

} // namespace

rtl::Variant TzetPlugin::GetNamedProperty(std::string_view name) {
  for (const TGetter& getter : kGetters) {
    if (frame::SameKey(name, getter.Name))
      return getter.Read(*this);
  }
  if (StartsWith(name, kItemNamePrefix)) {
    if (auto item = KeyedParserItem(*this, name, kItemNamePrefix))
      return Text(item->Name.View());
    return {};
  }
  if (StartsWith(name, kItemDescPrefix)) {
    if (auto item = KeyedParserItem(*this, name, kItemDescPrefix))
      return Text(item->Desc.View());
    return {};
  }
  if (StartsWith(name, kItemTypePrefix)) {
    if (auto item = KeyedParserItem(*this, name, kItemTypePrefix))
      return Integer(item->ItemType);
    return {};
  }
  if (auto key = frame::CustomKey(name))
    return frame::GetCustomValue(CustomValueStore(), *key);
  if (frame::SameKey(name, "TESTTRANSL")) {
    const std::vector<std::string> arguments = platform::ProcessArguments();
    return Variant::Bool(std::find(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
                                   "/TESTTRANSL") != arguments.end());
  }
  if (Variant value; GetModuleNamedProperty(name, value))
    return value;
  return {};
}

bool TzetPlugin::SetNamedProperty(std::string_view name, const rtl::Variant& value) {
  // What the descriptor exports and the host log read is replaced under DescriptorLock.
  if (frame::SameKey(name, "LogTitle")) {
    ReplaceDescriptorText(LogTitle, value.ToText());
  } else if (frame::SameKey(name, "Description")) {
    ReplaceDescriptorText(Description, value.ToText());
  } else if (frame::SameKey(name, "EventsSupported")) {
    ReplaceDescriptorText(EventsSupported, value.ToText());
  } else if (frame::SameKey(name, "CustomCommands")) {
    const std::string text = value.ToText();
    rtl::WriteGuard hold(DescriptorLock);
    if (!CustomCommands)
      CustomCommands = std::make_unique<TzetPluginCustomCmdList>();
    CustomCommands->LoadCustomCommandsText(text);
  } else if (frame::SameKey(name, "ParserItems")) {
    SetParserItemsText(value.ToText(), /*replace=*/true);
  } else if (frame::SameKey(name, "ModuleType")) {
    const std::optional<TModuleTypes> types = ModuleTypesOf(value);
    if (!types)
      return false;
    rtl::WriteGuard hold(DescriptorLock);
    ModuleType = *types;
  } else if (frame::SameKey(name, "OWNERFORM")) {
    OwnerForm = static_cast<uintptr_t>(value.ToInt64());
  } else if (auto key = frame::CustomKey(name)) {
    frame::SetCustomValue(CustomValueStore(), *key, value);
  } else {
    return false;
  }
  return true;
}
