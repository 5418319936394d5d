#include "options_dialog.h"

#include "host_session.h"
#include "packet_parser.h"
#include "settings_file.h"
#include "simulator.h"

#include <filesystem>
#include <fstream>
#include <set>

namespace hostsim {
namespace {

const char* OutcomeText(int32_t outcome) {
  switch (outcome) {
  case 0:
    return "closed without OK";
  case 1:
    return "OK, settings saved";
  case 2:
    return "no instance";
  case 3:
    return "the module has no options dialog";
  case 4:
    return "failed while the call was prepared";
  default:
    return "the library has no ShowOptionsDialog export";
  }
}

void PrintIniSection(const std::string& file, const std::string& section, std::ostream& out) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inside = line == "[" + section + "]";
      continue;
    }
    if (inside && !line.empty() && line.front() != ';')
      out << "  " << line << "\n";
  }
}

} // namespace

std::vector<std::string> ItemNamesOf(std::istream& input) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  std::string line;
  int number = 0;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    ParseError error;
    auto parsed = ParsePacketLine(line, ++number, error);
    if (!parsed || parsed->skip)
      continue;
    for (const auto& v : parsed->values)
      if (!v.name.empty() && seen.insert(v.name).second)
        names.push_back(v.name);
  }
  return names;
}

int RunOptionsDialog(const Options& o, std::istream* input, std::ostream& out, std::ostream& err) {
  HostSettings settings;
  settings.language = o.language;
  if (o.source == SettingsSource::IniFile) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(o.iniFile, ec);
    settings.iniFile = ec ? o.iniFile : abs.string();
    settings.sectionPrefix = o.sectionPrefix;
  } else if (o.source == SettingsSource::Registry) {
    settings.registryPath = o.registryPath;
  } else {
    err << "hostsim: --options needs --ini FILE or --registry PATH, where the dialog keeps the "
           "settings\n";
    return kExitUnusable;
  }
  const std::vector<std::string> items =
      o.itemsGiven ? o.items : (input ? ItemNamesOf(*input) : std::vector<std::string>{});

  HostSession session;
  std::string error;
  if (!session.Open(o.library, error) || !session.Load(settings, error)) {
    err << "hostsim: " << error << "\n";
    return kExitUnusable;
  }
  std::string list;
  for (const auto& name : items)
    list += (list.empty() ? "" : ", ") + name;
  out << "parser items: " << (list.empty() ? "(none)" : list) << "\n";
  if (!session.SetParserItems(items))
    err << "hostsim: the module refused the parser items\n";
  out << "options dialog: open\n";
  out.flush();
  auto stopWatch = WatchOptionsDialog(o.closeAfterMs, [&out] {
    out << "options dialog: shown\n";
    out.flush();
  });
  const int32_t outcome = session.ShowOptions();
  stopWatch();
  out << "options dialog: outcome " << outcome << " (" << OutcomeText(outcome) << ")\n";
  for (const auto& line : session.TakeLog())
    out << "log " << line.text << "\n";
  session.Close();

  if (o.source == SettingsSource::IniFile) {
    const std::string section = SettingsSectionName(settings.sectionPrefix);
    out << "stored settings (" << settings.iniFile << ", [" << section << "]):\n";
    PrintIniSection(settings.iniFile, section, out);
  } else {
    out << "stored settings (registry path " << settings.registryPath << "):\n";
    const auto values = RegistryValues(settings.registryPath);
    if (values.empty())
      out << "  (the registry cannot be read from here)\n";
    for (const auto& v : values)
      out << "  " << v << "\n";
  }
  out.flush();
  return outcome >= 0 && outcome <= 1 ? kExitDone : kExitBadInput;
}

} // namespace hostsim
