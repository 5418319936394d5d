#include "rtl/published_registry.h"

#include <mutex>
#include <vector>

namespace rtl {
namespace {

struct Registry {
  std::mutex lock;
  std::vector<const MetaClass*> classes;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

} // namespace

void RegisterClass(const MetaClass& meta) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const MetaClass* c : r.classes) {
    if (c == &meta)
      return;
    if (SameName(c->Name(), meta.Name()))
      throw EPropertyError("A class named " + meta.Name() + " already exists");
  }
  r.classes.push_back(&meta);
}

void UnregisterClass(const MetaClass& meta) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  std::erase(r.classes, &meta);
}

const MetaClass* FindClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const MetaClass* c : r.classes)
    if (SameName(c->Name(), name))
      return c;
  return nullptr;
}

} // namespace rtl
