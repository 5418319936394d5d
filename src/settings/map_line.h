// The lines of a property map. Each line binds an item (a published property reached by a dotted
// name, such as "var1.Text") to a key of the settings store (such as "Var1" or "Sub\Var1"):
//
//   var1.Text,Var1          item "var1.Text", key "Var1"
//   Left;Left               item "Left", key "Left" (a line without ',' splits at ';')
//   var1.Text, Var1 ;note   item "var1.Text", key "Var1 " (a comment after the key is cut off;
//                           the blanks before it stay)
//   ;---short---            a comment; the lines up to it are the map's short set
//
// Blank lines and lines whose first non-blank character is ';' are comments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

/// The marker after which the short set of a map ends (the window position of a dialog).
inline constexpr std::string_view kShortMapMarker = ";---short---";

/// One parsed map line.
struct TMapLine {
  std::string ItemName;
  std::string Key;

  /// False when the item name or the key is empty: the store skips such lines.
  bool IsUsable() const noexcept { return !ItemName.empty() && !Key.empty(); }
};

/// Parses one map line into Out; answers false (and leaves Out empty) for a comment or a blank
/// line.
bool ParseMapLine(std::string_view line, TMapLine& out);

/// A key split into its sub-path and value name: "\\Sub\\\\Val" gives "Sub" and "Val",
/// "X\Y\Var1" gives "X\Y" and "Var1", "Var1" gives "" and "Var1". Runs of backslashes count as
/// one and a leading backslash is dropped.
struct TMapKey {
  std::string SubPath;
  std::string ValueName;
};
TMapKey SplitMapKey(std::string_view key);

/// The parts of a dotted item name ("var1.Font.Size" gives "var1", "Font", "Size").
std::vector<std::string> SplitItemName(std::string_view itemName);

/// The name of the settings-object property that mirrors an item: every '.' becomes '_'
/// ("var1.Text" gives "var1_Text").
std::string MirroredPropertyName(std::string_view itemName);

/// Text cut right after the first occurrence of the short-set marker; the whole text when the
/// marker is absent.
std::string CutAtShortMarker(std::string_view mapText);
