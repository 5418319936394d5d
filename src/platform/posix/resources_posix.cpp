// Embedded resources without a resource section: a name-to-text table that the sources generated
// from the form files fill while the library is initialised.
#include "platform/resources.h"

#include <cctype>
#include <list>
#include <map>
#include <mutex>
#include <string>

namespace platform {
namespace {

struct EmbeddedResources {
  std::mutex lock;
  std::list<std::string> texts;
  std::map<std::string, std::string_view> byName;
};

EmbeddedResources& Table() {
  static EmbeddedResources table;
  return table;
}

std::string Key(const char* name) {
  std::string key = name ? name : "";
  for (char& c : key)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

} // namespace

void RegisterEmbeddedResource(const char* name, std::string_view text) {
  EmbeddedResources& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  t.texts.emplace_back(text);
  t.byName[Key(name)] = t.texts.back();
}

std::string_view LoadRcData(const char* name) {
  EmbeddedResources& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.byName.find(Key(name));
  return it == t.byName.end() ? std::string_view() : it->second;
}

} // namespace platform
