#include "settings/property_map.h"

#include "rtl/component.h"
#include "rtl/published_access.h"
#include "settings/map_line.h"
#include "settings/proxy_code_custom.h"

#include <atomic>
#include <deque>

namespace {

std::atomic<TComponent*> gApplication{nullptr};
std::atomic<TComponent*> gMainForm{nullptr};

TComponent* OwnedComponent(const TObject* owner, std::string_view name) {
  auto* component = dynamic_cast<const TComponent*>(owner);
  return component ? component->FindComponent(name) : nullptr;
}

// Walks "a.b.c" down the owned components of From.
TComponent* LookUpPath(TComponent* from, std::string_view path) {
  TComponent* c = from;
  std::size_t start = 0;
  while (c) {
    std::size_t dot = path.find('.', start);
    c = c->FindComponent(path.substr(start, dot - start));
    if (dot == std::string_view::npos)
      return c;
    start = dot + 1;
  }
  return nullptr;
}

TComponent* FindFrom(std::string_view path, TComponent* owner) {
  std::size_t dot = path.find('.');
  if (dot != std::string_view::npos && rtl::SameName(path.substr(0, dot), "APPLICATION"))
    return LookUpPath(ApplicationComponent(), path.substr(dot + 1));
  return LookUpPath(owner, path);
}

} // namespace

void SetApplicationComponents(TComponent* application, TComponent* mainForm) noexcept {
  gApplication.store(application, std::memory_order_release);
  gMainForm.store(mainForm, std::memory_order_release);
}

TComponent* ApplicationComponent() noexcept {
  return gApplication.load(std::memory_order_acquire);
}

TComponent* MainFormComponent() noexcept {
  return gMainForm.load(std::memory_order_acquire);
}

TResolvedItem ResolveItem(std::string_view itemName, TObject* target) {
  std::deque<std::string> parts;
  for (std::string& part : SplitItemName(itemName))
    parts.push_back(std::move(part));
  TResolvedItem r;

  TObject* o = nullptr;
  if (parts.size() >= 3) {
    if (TComponent* form = OwnedComponent(ApplicationComponent(), parts.front())) {
      o = form;
      parts.pop_front();
    }
  }
  if (!o)
    o = target ? target : MainFormComponent();
  r.Owner = o;

  // A settings object mirrors the whole item in one property; a dialog names a control first.
  const bool settings = IsSettingsObject(o);
  if (settings) {
    r.PropName = MirroredPropertyName(itemName);
  } else if (parts.size() >= 2) {
    o = OwnedComponent(o, parts.front());
    parts.pop_front();
  }

  for (;;) {
    if (parts.empty() || !o) {
      r.Object = o;
      r.PropName.clear();
      r.Kind = tkUnknown;
      return r;
    }
    if (!settings) {
      r.PropName = std::move(parts.front());
      parts.pop_front();
    }
    PPropInfo prop = rtl::FindProperty(o, r.PropName);
    if (!prop) {
      r.Object = o;
      return r;
    }
    r.Kind = prop->Kind();
    if (parts.empty() || r.Kind != tkClass || settings) {
      r.Object = o;
      return r;
    }
    o = prop->GetObject(*o);
  }
}

std::string GetComponentPath(const TComponent* component) {
  if (!component)
    return {};
  TComponent* application = ApplicationComponent();
  // Built from the component upwards; the owner chain of components is finite and acyclic.
  std::string path = component->Name();
  for (const TComponent* c = component; c->Owner(); c = c->Owner()) {
    if (c->Owner() == application)
      return "Application." + path;
    path = c->Owner()->Name() + "." + path;
  }
  if (component == application)
    return "Application";
  return path;
}

TComponent* FindComponentByPath(std::string_view path, TObject* owner) {
  auto* from = dynamic_cast<TComponent*>(owner);
  TComponent* found = FindFrom(path, from);
  TComponent* application = ApplicationComponent();
  if (!found && from != application && application)
    found = FindFrom(path, application);
  return found;
}
