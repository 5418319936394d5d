// Parser items: the named values of the host's data packets, each with a description and a type.
// The host hands them over and asks for them as text, one item per line:
//   Desc "|" Name "|" type name "|" Extra
// with CR LF between lines and none after the last.
#pragma once

#include "rtl/ansi_string.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TParserItem {
  rtl::AnsiString Name;
  rtl::AnsiString Desc;
  /// Index into the type names ("String" 0 ... "Currency" 16); kUnknownParserItemType otherwise.
  uint8_t ItemType = 0;
  /// A fourth text field, kept and reported unchanged.
  rtl::AnsiString Extra;
};

using TParserItems = std::vector<TParserItem>;

constexpr uint8_t kUnknownParserItemType = 17;

namespace frame {

/// The name of type index Type; empty for kUnknownParserItemType and above.
std::string_view ParserItemTypeName(uint8_t type) noexcept;
/// The index of the type named Name regardless of case; kUnknownParserItemType when none is.
uint8_t ParserItemTypeIndex(std::string_view name) noexcept;

/// The exchange text of Items.
std::string FormatParserItems(const TParserItems& items);
/// The items of an exchange text. Empty lines are skipped; a line with fewer than two fields
/// ends the text, and the answer then has one entry per line of the text: the items before that
/// line, then empty entries. A missing or unknown type name gives kUnknownParserItemType.
TParserItems ParseParserItems(std::string_view text);

} // namespace frame
