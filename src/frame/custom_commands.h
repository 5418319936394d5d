// Custom commands a module offers to the host's menus, and their text form
// ("Name|Text2|Text3|Flag1|Flag2" CR LF per command).
#pragma once

#include "rtl/object.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TzetPluginCustomCmd : public TObject {
public:
  std::string Name;
  std::string Text2;
  std::string Text3;
  bool Flag1 = false;
  bool Flag2 = false;
};

/// Owns its commands: removing a command frees it.
class TzetPluginCustomCmdList : public TObject {
public:
  TzetPluginCustomCmd& Add(std::string name, std::string text2, std::string text3, bool flag1,
                           bool flag2);
  int32_t Count() const { return static_cast<int32_t>(commands_.size()); }
  const TzetPluginCustomCmd& operator[](int32_t index) const { return *commands_[index]; }
  void Delete(int32_t index);
  void Clear() { commands_.clear(); }

  /// The text form; an empty list gives an empty text.
  std::string Text() const;
  /// Appends the commands of Text; empty lines and lines with fewer than five fields are skipped.
  void LoadCustomCommandsText(std::string_view text);

private:
  std::vector<std::unique_ptr<TzetPluginCustomCmd>> commands_;
};
