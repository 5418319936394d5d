#include "frame/custom_commands.h"

TzetPluginCustomCmd& TzetPluginCustomCmdList::Add(std::string name, std::string text2,
                                                  std::string text3, bool flag1, bool flag2) {
  auto cmd = std::make_unique<TzetPluginCustomCmd>();
  cmd->Name = std::move(name);
  cmd->Text2 = std::move(text2);
  cmd->Text3 = std::move(text3);
  cmd->Flag1 = flag1;
  cmd->Flag2 = flag2;
  commands_.push_back(std::move(cmd));
  return *commands_.back();
}

void TzetPluginCustomCmdList::Delete(int32_t index) {
  if (index >= 0 && index < Count())
    commands_.erase(commands_.begin() + index);
}

std::string TzetPluginCustomCmdList::Text() const {
  std::string out;
  for (const auto& c : commands_) {
    out += c->Name + "|" + c->Text2 + "|" + c->Text3 + "|" + (c->Flag1 ? "1" : "0") + "|" +
           (c->Flag2 ? "1" : "0") + "\r\n";
  }
  return out;
}

void TzetPluginCustomCmdList::LoadCustomCommandsText(std::string_view text) {
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos)
      end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++pos;
    if (line.empty())
      continue;
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
      std::size_t bar = line.find('|', start);
      fields.emplace_back(line.substr(start, bar == std::string_view::npos ? bar : bar - start));
      if (bar == std::string_view::npos)
        break;
      start = bar + 1;
    }
    if (fields.size() < 5)
      continue;
    Add(fields[0], fields[1], fields[2], fields[3] == "1", fields[4] == "1");
  }
}
