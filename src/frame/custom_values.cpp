#include "frame/custom_values.h"

#include "frame/key_text.h"
#include "frame/plugin.h"

namespace frame {
namespace {

constexpr std::string_view kCustomPrefix = "Custom";
constexpr std::string_view kCountName = "COUNT";

} // namespace

std::optional<TCustomKey> CustomKey(std::string_view key) {
  if (key.substr(0, kCustomPrefix.size()) != kCustomPrefix)
    return std::nullopt;
  std::string_view rest = key.substr(kCustomPrefix.size());
  if (!rest.empty() && (rest.front() == ' ' || rest.front() == ':' || rest.front() == '_'))
    rest.remove_prefix(1);
  if (rest.empty())
    return std::nullopt;
  TCustomKey result;
  result.Name = rest;
  if (rest.size() < 3)
    result.Index = DecimalValue(rest).value_or(-1);
  return result;
}

rtl::Variant GetCustomValue(TzetThreadParamsList& store, const TCustomKey& key) {
  TzetThreadParamsList::ReadLocked locked(store);
  const TzetParamsList& values = locked.List();
  if (key.Name == kCountName)
    return rtl::Variant::Int32(values.Count());
  if (key.Index < 0)
    return values.GetValueDef(key.Name, rtl::Variant::Null());
  if (const TzetParamsListItem* item = values.Item(key.Index))
    return item->GetValue();
  return rtl::Variant::Null();
}

void SetCustomValue(TzetThreadParamsList& store, const TCustomKey& key, const rtl::Variant& value) {
  TzetThreadParamsList::WriteLocked locked(store);
  TzetParamsList& values = locked.List();
  if (key.Name == kCountName) {
    values.Clear();
    return;
  }
  if (key.Index < 0) {
    values.SetValue(key.Name, value, /*addIfMissing=*/true);
    return;
  }
  if (TzetParamsListItem* item = values.Item(key.Index))
    item->SetValue(value);
}

} // namespace frame

TzetThreadParamsList& TzetPlugin::CustomValueStore() {
  std::call_once(customValuesOnce_,
                 [this] { CustomValues = std::make_unique<TzetThreadParamsList>(); });
  return *CustomValues;
}
