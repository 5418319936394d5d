#include "settings/map_line.h"

#include "rtl/trim.h"

bool ParseMapLine(std::string_view line, TMapLine& out) {
  out = TMapLine();
  std::string_view trimmed = rtl::Trim(line);
  if (trimmed.empty() || trimmed.front() == ';')
    return false;
  std::size_t split = trimmed.find(',');
  if (split == std::string_view::npos)
    split = trimmed.find(';');
  if (split == std::string_view::npos) {
    out.ItemName = std::string(trimmed);
    return true;
  }
  out.ItemName = std::string(rtl::Trim(trimmed.substr(0, split)));
  std::string_view key = rtl::Trim(trimmed.substr(split + 1));
  if (std::size_t comment = key.find(';'); comment != std::string_view::npos)
    key = key.substr(0, comment);
  out.Key = std::string(key);
  return true;
}

TMapKey SplitMapKey(std::string_view key) {
  std::string path;
  path.reserve(key.size());
  for (char c : key)
    if (c != '\\' || path.empty() || path.back() != '\\')
      path.push_back(c);
  if (!path.empty() && path.front() == '\\')
    path.erase(0, 1);
  TMapKey out;
  std::size_t last = path.rfind('\\');
  if (last == std::string::npos) {
    out.ValueName = std::move(path);
  } else {
    out.SubPath = path.substr(0, last);
    out.ValueName = path.substr(last + 1);
  }
  return out;
}

std::vector<std::string> SplitItemName(std::string_view itemName) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = itemName.find('.', start);
    parts.emplace_back(itemName.substr(start, dot - start));
    if (dot == std::string_view::npos)
      return parts;
    start = dot + 1;
  }
}

std::string MirroredPropertyName(std::string_view itemName) {
  std::string name(itemName);
  for (char& c : name)
    if (c == '.')
      c = '_';
  return name;
}

std::string CutAtShortMarker(std::string_view mapText) {
  std::size_t at = mapText.find(kShortMapMarker);
  if (at == std::string_view::npos)
    return std::string(mapText);
  return std::string(mapText.substr(0, at + kShortMapMarker.size()));
}
