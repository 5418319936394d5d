#include "frame/parser_items.h"

#include "frame/key_text.h"
#include "frame/plugin.h"
#include "rtl/string_list.h"

#include <array>

namespace frame {
namespace {

constexpr std::array<std::string_view, kUnknownParserItemType> kTypeNames = {
    "String", "Memo", "Bytes",    "Blob",  "Boolean", "Float",    "Smallint", "Word",    "Integer",
    "Date",   "Time", "DateTime", "DWord", "Byte",    "Shortint", "Int64",    "Currency"};

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = line.find('|', start);
    if (bar == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, bar - start));
    start = bar + 1;
  }
}

} // namespace

std::string_view ParserItemTypeName(uint8_t type) noexcept {
  return type < kTypeNames.size() ? kTypeNames[type] : std::string_view();
}

uint8_t ParserItemTypeIndex(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kTypeNames.size(); ++i) {
    if (SameKey(kTypeNames[i], name))
      return static_cast<uint8_t>(i);
  }
  return kUnknownParserItemType;
}

std::string FormatParserItems(const TParserItems& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TParserItem& item = items[i];
    if (i > 0)
      text += "\r\n";
    text += item.Desc.View();
    text += '|';
    text += item.Name.View();
    text += '|';
    text += ParserItemTypeName(item.ItemType);
    text += '|';
    text += item.Extra.View();
  }
  return text;
}

TParserItems ParseParserItems(std::string_view text) {
  TStringList lines;
  lines.SetText(text);
  TParserItems items;
  items.reserve(static_cast<std::size_t>(lines.Count()));
  for (int32_t i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    if (line.empty())
      continue;
    const std::vector<std::string_view> fields = SplitFields(line);
    // A line without a name ends the text: the list keeps one entry per line of the text, the
    // entries read so far followed by empty ones, so that its size is what the host sent.
    if (fields.size() < 2) {
      items.resize(static_cast<std::size_t>(lines.Count()));
      return items;
    }
    TParserItem item;
    item.Desc = fields[0];
    item.Name = fields[1];
    item.ItemType = fields.size() >= 3 ? ParserItemTypeIndex(fields[2]) : kUnknownParserItemType;
    if (fields.size() >= 4)
      item.Extra = fields[3];
    items.push_back(std::move(item));
  }
  return items;
}

} // namespace frame

std::string TzetPlugin::GetParserItemsText() const {
  return frame::FormatParserItems(ParserItems);
}

void TzetPlugin::SetParserItemsText(std::string_view text, bool replace) {
  TParserItems parsed = frame::ParseParserItems(text);
  if (replace) {
    ParserItems = std::move(parsed);
    return;
  }
  ParserItems.insert(ParserItems.end(), std::make_move_iterator(parsed.begin()),
                     std::make_move_iterator(parsed.end()));
}

TParserItem TzetPlugin::GetParserItem(int32_t index) {
  if (index < 0)
    return {};
  if (static_cast<std::size_t>(index) >= ParserItems.size())
    ParserItems.resize(static_cast<std::size_t>(index) + 1);
  return ParserItems[static_cast<std::size_t>(index)];
}
