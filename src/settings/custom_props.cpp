#include "settings/custom_props.h"

#include "platform/codepage.h"
#include "settings/custom_props_combo_box.h"

#include <mutex>
#include <vector>

namespace {

struct HandlerList {
  std::recursive_mutex lock;
  std::vector<std::unique_ptr<TWregCustomProp>> handlers;
  bool defaultsRegistered = false;
};

HandlerList& Handlers() {
  static HandlerList list;
  return list;
}

} // namespace

TWregCustomProp::TWregCustomProp(std::string_view name, TTypeKind itemKind)
    : name_(CustomPropKey(name)), itemKind_(itemKind) {}

bool TWregCustomProp::GetCustomValue(TObject* component, const std::string& name, bool forSave,
                                     rtl::Variant& value) {
  return false;
}

void TWregCustomProp::SetCustomValue(TObject* component, const std::string& name,
                                     const rtl::Variant& value) {}

std::string CustomPropKey(std::string_view name) {
  std::string key(name);
  platform::AnsiLowerInPlace(key.data(), key.size());
  return key;
}

void RegisterCustomProp(std::string_view name, TTypeKind itemKind,
                        const TWregCustomPropFactory& factory) {
  std::unique_ptr<TWregCustomProp> handler = factory(CustomPropKey(name), itemKind);
  if (!handler)
    return;
  HandlerList& list = Handlers();
  std::lock_guard<std::recursive_mutex> guard(list.lock);
  list.handlers.push_back(std::move(handler));
}

int ForEachCustomProp(std::string_view name, const std::function<void(TWregCustomProp&)>& visit) {
  std::string key = CustomPropKey(name);
  HandlerList& list = Handlers();
  std::lock_guard<std::recursive_mutex> guard(list.lock);
  // By index and up to the count at the start: a handler may register another one meanwhile.
  std::size_t count = list.handlers.size();
  int visited = 0;
  for (std::size_t i = 0; i < count; ++i) {
    TWregCustomProp& handler = *list.handlers[i];
    if (handler.Name() == key) {
      ++visited;
      visit(handler);
    }
  }
  return visited;
}

void RegisterDefaultPropertyHandlers() {
  HandlerList& list = Handlers();
  std::lock_guard<std::recursive_mutex> guard(list.lock);
  if (list.defaultsRegistered)
    return;
  RegisterCustomProp<TWregComboBoxProp>("ItemIndex", tkInteger);
  list.defaultsRegistered = true;
}
