#include "support/language_resources.h"

const std::u16string& TWtranslLanguagesList::Find(const std::map<std::string, std::u16string>& map,
                                                  const std::string& key) noexcept {
  static const std::u16string kNone;
  auto it = map.find(key);
  return it == map.end() ? kNone : it->second;
}
