#include "settings/big_ini_file_lists.h"

#include "settings/big_ini_file_text.h"

#include <string>
#include <unordered_set>

int32_t TSectionValues::IndexOfName(std::string_view key) {
  auto matches = [key](const std::string& line) {
    return ini_text::SameTextAnsi(ini_text::LineName(line), key);
  };
  if (names_ == TNameSet::nsUnknown) {
    std::unordered_set<std::string> seen;
    names_ = TNameSet::nsUnique;
    for (int32_t i = 0; i < Count(); ++i)
      if (!seen.insert(ini_text::AnsiLowered(ini_text::LineName((*this)[i]))).second) {
        names_ = TNameSet::nsDuplicates;
        break;
      }
  }
  if (names_ == TNameSet::nsUnique)
    return FindFromLastHit(matches);
  for (int32_t i = 0; i < Count(); ++i)
    if (matches((*this)[i])) {
      lastHit_ = i;
      return i;
    }
  return -1;
}

void TSectionValues::AddReadLine(std::string_view line) {
  Add(line);
  names_ = TNameSet::nsUnknown;
}

void TSectionValues::AddNewKeyLine(std::string_view line) {
  Add(line);
}

TSectionList::~TSectionList() {
  Clear();
}

int32_t TSectionList::AddSection(std::string_view name) {
  return AddObject(name, new TSectionValues());
}

void TSectionList::DeleteSection(int32_t index) {
  TObject* values = Objects(index);
  Delete(index);
  delete values;
}

void TSectionList::Clear() noexcept {
  for (int32_t i = 0; i < Count(); ++i)
    delete Objects(i);
  TStringList::Clear();
}

TSectionValues& TSectionList::Values(int32_t index) const {
  return *static_cast<TSectionValues*>(Objects(index));
}

int32_t TSectionList::Find(std::string_view name, int32_t start) const {
  const int32_t count = Count();
  if (start < 0 || start >= count)
    start = 0;
  for (int32_t n = 0, i = start; n < count; ++n, i = (i + 1 == count ? 0 : i + 1))
    if (ini_text::SameTextAnsi((*this)[i], name))
      return i;
  return -1;
}

int32_t TSectionList::IndexOfSection(std::string_view name) {
  return FindFromLastHit([name](const std::string& s) { return ini_text::SameTextAnsi(s, name); });
}
