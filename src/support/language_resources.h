// The translations loaded from a language file: the source-language text (8-bit, as the file
// stores it) mapped to its translation. Exact holds the keys as written; Lower holds the keys
// whose ASCII letters were lowered, for a look-up that ignores case. Both compare keys with
// regard to case; a later entry replaces an earlier one of the same key.
#pragma once

#include "rtl/object.h"

#include <map>
#include <string>

class TWtranslLanguagesList : public TObject {
public:
  std::map<std::string, std::u16string> Exact;
  std::map<std::string, std::u16string> Lower;

  void Clear() noexcept {
    Exact.clear();
    Lower.clear();
  }
  /// The value of Key in Map; empty when there is none.
  static const std::u16string& Find(const std::map<std::string, std::u16string>& map,
                                    const std::string& key) noexcept;
};
