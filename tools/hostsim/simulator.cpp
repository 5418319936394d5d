#include "simulator.h"

#include "settings_file.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

namespace hostsim {
namespace {

using Clock = std::chrono::steady_clock;

const char* LevelName(int level) {
  switch (level) {
  case 0:
    return "failure";
  case 1:
    return "error";
  case 2:
    return "success";
  default:
    return "?";
  }
}

std::string Count(uint64_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string Seconds(Clock::duration d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f s", std::chrono::duration<double>(d).count());
  return buf;
}

void PrintLog(HostSession& session, std::ostream& out) {
  for (const auto& line : session.TakeLog())
    out << "log [" << LevelName(line.level) << "] " << line.text << "\n";
}

std::string Milliseconds(double ms) {
  char text[48];
  std::snprintf(text, sizeof text, "%.15g ms", ms);
  return text;
}

// The row options (partial rows, age limit, value lifetime, grouping, merge strategies, packet
// time), only those that are on, so that a run without them describes its settings as it always
// did.
std::string ExtraOptions(const Options& o) {
  std::string text;
  if (o.partial)
    text += "; partial rows released";
  if (o.ageLimitMs > 0)
    text += "; age limit " + Milliseconds(o.ageLimitMs);
  if (o.lifetimeMs > 0)
    text += "; value lifetime " + Milliseconds(o.lifetimeMs);
  if (!o.groupBy.empty())
    text += "; grouped by " + o.groupBy + " (at most " + std::to_string(o.maxGroups) + " groups)";
  std::string merges;
  for (std::size_t i = 0; i < o.vars.size() && i < o.merges.size(); ++i)
    if (!o.merges[i].empty())
      merges += (merges.empty() ? "; merged: " : ", ") + o.vars[i] + " by " + o.merges[i];
  text += merges;
  if (o.separator)
    text += " (separator " + QuoteText(*o.separator) + ")";
  if (!o.timeVar.empty())
    text += "; packet time from " + o.timeVar +
            (o.timeJumpMs > 0 ? " (a jump over " + Milliseconds(o.timeJumpMs) + " is a restart)"
                              : std::string());
  return text;
}

std::string DescribeSettings(const Options& o, const HostSettings& s) {
  switch (o.source) {
  case SettingsSource::Registry:
    return "registry path " + s.registryPath;
  case SettingsSource::IniFile:
    return "INI file " + s.iniFile + ", section [" + SettingsSectionName(s.sectionPrefix) + "]";
  case SettingsSource::Generated:
    break;
  }
  std::string names;
  for (const auto& v : o.vars)
    if (!v.empty())
      names += (names.empty() ? "" : ", ") + v;
  return "variables " + (names.empty() ? std::string("(none)") : names) + "; timeout " +
         (o.timeoutMs > 0 ? Milliseconds(o.timeoutMs) : std::string("off")) + "; " +
         (o.noReset ? "no reset after a row" : "reset after each row") + ExtraOptions(o) +
         " (temporary INI file " + s.iniFile + ", section [" +
         SettingsSectionName(s.sectionPrefix) + "])";
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const auto abs = std::filesystem::absolute(path, ec);
  return ec ? path : abs.string();
}

/// Reads the next line without its line end; false at the end of the input.
bool NextLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line))
    return false;
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return true;
}

std::string ResultText(int32_t result) {
  switch (result) {
  case ZET_RESULT_REJECTED:
    return "-1 (the packet was refused)";
  case ZET_RESULT_FAILED:
    return "-3 (a failure was caught inside the module)";
  default:
    return std::to_string(result);
  }
}

struct Counts {
  uint64_t packets = 0;
  uint64_t rows = 0;
  uint64_t badLines = 0;
  uint64_t failedCalls = 0;
};

int RunPackets(const Options& o, HostSession& session, std::istream& input,
               const std::string& source, std::ostream& out, std::ostream& err, Counts& counts) {
  std::string line;
  int number = 0;
  hostkit::HostList packet;
  std::vector<Row> rows;
  while (NextLine(input, line)) {
    ++number;
    ParseError error;
    const auto parsed = ParsePacketLine(line, number, error);
    if (!parsed) {
      err << error.Format(source) << " (line skipped)\n";
      ++counts.badLines;
      continue;
    }
    if (parsed->skip)
      continue;
    if (parsed->delayMs && o.timeScale > 0) {
      out.flush();
      std::this_thread::sleep_for(
          std::chrono::duration<double, std::milli>(parsed->delayMs * o.timeScale));
    }
    if (parsed->values.empty())
      continue; // only a clock step
    packet.Clear();
    FillPacket(parsed->values, packet);
    rows.clear();
    const int32_t result = session.Process(packet, &rows, nullptr);
    ++counts.packets;
    PrintLog(session, out);
    if (result != ZET_RESULT_DONE && result != ZET_RESULT_NOTHING_DONE) {
      err << source << ":" << number << ": ProcessData answered " << ResultText(result) << "\n";
      ++counts.failedCalls;
    }
    for (const auto& row : rows)
      out << FormatRow(static_cast<int>(++counts.rows), row) << "\n";
    out.flush();
  }
  return counts.badLines || counts.failedCalls ? kExitBadInput : kExitDone;
}

int RunBench(const Options& o, HostSession& session, const std::vector<PacketLine>& lines,
             std::ostream& out, std::ostream& err, Counts& counts) {
  std::vector<std::unique_ptr<hostkit::HostList>> packets;
  for (const auto& line : lines) {
    if (line.values.empty())
      continue;
    packets.push_back(std::make_unique<hostkit::HostList>());
    FillPacket(line.values, *packets.back());
  }
  if (packets.empty()) {
    err << "hostsim: the input holds no packet to replay\n";
    return kExitBadInput;
  }
  const auto start = Clock::now();
  for (uint32_t repeat = 0; repeat < o.benchRepeats; ++repeat) {
    for (auto& packet : packets) {
      int released = 0;
      const int32_t result = session.Process(*packet, nullptr, &released);
      ++counts.packets;
      counts.rows += static_cast<uint64_t>(released);
      if (result != ZET_RESULT_DONE && result != ZET_RESULT_NOTHING_DONE)
        ++counts.failedCalls;
    }
  }
  const auto elapsed = Clock::now() - start;
  const double seconds = std::chrono::duration<double>(elapsed).count();
  const std::size_t logLines = session.TakeLog().size();
  char rate[64];
  std::snprintf(rate, sizeof rate, "%.0f", seconds > 0 ? counts.packets / seconds : 0.0);
  out << "bench: " << Count(packets.size(), "packet") << " x " << o.benchRepeats << " = "
      << Count(counts.packets, "call") << " in " << Seconds(elapsed) << ": " << rate
      << " packets/s; " << Count(counts.rows, "row") << " released, "
      << Count(counts.failedCalls, "failed call") << ", " << Count(logLines, "log line") << "\n";
  return counts.failedCalls ? kExitBadInput : kExitDone;
}

} // namespace

void FillPacket(const std::vector<PacketValue>& values, hostkit::HostList& packet) {
  for (const auto& v : values) {
    switch (v.kind) {
    case PacketValue::Kind::Integer:
      if (v.integer >= INT32_MIN && v.integer <= INT32_MAX)
        packet.AddInt(v.name, static_cast<int32_t>(v.integer));
      else
        packet.AddInt64(v.name, v.integer);
      break;
    case PacketValue::Kind::Float:
      packet.AddDouble(v.name, v.number);
      break;
    case PacketValue::Kind::Text:
      packet.AddTextUtf8(v.name, v.text);
      break;
    case PacketValue::Kind::Null:
      packet.AddNull(v.name);
      break;
    case PacketValue::Kind::Marker:
      packet.AddMarker();
      break;
    }
  }
}

std::string FormatRow(int number, const Row& row) {
  std::string line = "row " + std::to_string(number) + ":";
  for (const auto& item : row) {
    line += " " + item.name + "=";
    if (item.type == 8 || item.type == 0x100)
      line += QuoteText(item.text);
    else
      line += item.text; // numbers as they read; Empty and Null as nothing
  }
  return line;
}

ModuleCounters ReadCounters(HostSession& session) {
  const auto text = [&session](const char* name) -> std::optional<std::string> {
    if (auto item = session.Parameter(name))
      return std::move(item->text);
    return std::nullopt;
  };
  ModuleCounters c;
  c.packets = text("Stats.Packets");
  c.rows = text("Stats.Rows");
  c.partial = text("Stats.Partial");
  c.discarded = text("Stats.Discarded");
  c.groups = text("Stats.Groups");
  c.lastReason = text("Stats.LastReason");
  c.misfits = text("Stats.Misfits");
  return c;
}

std::string FormatCounters(const ModuleCounters& c) {
  std::vector<std::string> parts;
  // The module answers whole numbers; "1" takes the singular.
  const auto counted = [](const std::string& n, const char* what) {
    return n + " " + what + (n == "1" ? "" : "s");
  };
  if (c.packets)
    parts.push_back(counted(*c.packets, "packet"));
  if (c.rows)
    parts.push_back(counted(*c.rows, "row") + (c.partial ? " (" + *c.partial + " partial)" : ""));
  else if (c.partial)
    parts.push_back(*c.partial + " partial");
  if (c.discarded)
    parts.push_back(*c.discarded + " discarded");
  if (c.groups)
    parts.push_back(counted(*c.groups, "group") + " open");
  if (c.lastReason)
    parts.push_back("last reason: " + (c.lastReason->empty() ? "none" : *c.lastReason));
  // Only values that were left out are worth a word: most runs have none.
  if (c.misfits && *c.misfits != "0")
    parts.push_back(counted(*c.misfits, "misfit") + " left out");
  if (parts.empty())
    return {};
  std::string line = "counters:";
  for (std::size_t i = 0; i < parts.size(); ++i)
    line += (i ? ", " : " ") + parts[i];
  return line;
}

int RunSimulation(const Options& o, std::istream& input, const std::string& source,
                  std::ostream& out, std::ostream& err) {
  // In bench mode the whole input is read and checked before the library is touched.
  std::vector<PacketLine> benchLines;
  if (o.benchRepeats) {
    std::string line;
    int number = 0;
    uint64_t bad = 0;
    while (NextLine(input, line)) {
      ParseError error;
      auto parsed = ParsePacketLine(line, ++number, error);
      if (!parsed) {
        err << error.Format(source) << "\n";
        ++bad;
      } else if (!parsed->skip) {
        benchLines.push_back(std::move(*parsed));
      }
    }
    if (bad)
      return kExitBadInput;
  }

  HostSettings settings;
  settings.language = o.language;
  TemporaryFile generated;
  std::string error;
  switch (o.source) {
  case SettingsSource::Generated: {
    GeneratedSettings g;
    g.vars = o.vars;
    g.timeoutMs = o.timeoutMs;
    g.noReset = o.noReset;
    g.partial = o.partial;
    g.ageLimitMs = o.ageLimitMs;
    g.lifetimeMs = o.lifetimeMs;
    g.groupBy = o.groupBy;
    g.maxGroups = o.maxGroups;
    g.merges = o.merges;
    g.separator = o.separator;
    g.timeVar = o.timeVar;
    g.timeJumpMs = o.timeJumpMs;
    if (!generated.Create(SettingsIniText(g, o.sectionPrefix), error)) {
      err << "hostsim: cannot write the settings file: " << error << "\n";
      return kExitUnusable;
    }
    settings.iniFile = generated.Path();
    settings.sectionPrefix = o.sectionPrefix;
    break;
  }
  case SettingsSource::IniFile: {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(o.iniFile, ec)) {
      // The module would read the registry instead of a missing file.
      err << "hostsim: settings file " << o.iniFile << " not found\n";
      return kExitUnusable;
    }
    settings.iniFile = AbsolutePath(o.iniFile);
    settings.sectionPrefix = o.sectionPrefix;
    break;
  }
  case SettingsSource::Registry:
    settings.registryPath = o.registryPath;
    break;
  }

  HostSession session;
  if (!session.Open(o.library, error)) {
    err << "hostsim: " << error << "\n";
    return kExitUnusable;
  }
  const std::string description = session.Description();
  out << "library: " << o.library << (description.empty() ? "" : " (" + description + ")") << "\n";
  out << "settings: " << DescribeSettings(o, settings) << "\n";
  if (!session.Load(settings, error)) {
    PrintLog(session, out);
    err << "hostsim: " << error << "\n";
    session.Close();
    return kExitUnusable;
  }
  PrintLog(session, out);

  Counts counts;
  const auto start = Clock::now();
  const int status = o.benchRepeats ? RunBench(o, session, benchLines, out, err, counts)
                                    : RunPackets(o, session, input, source, out, err, counts);
  const auto elapsed = Clock::now() - start;
  // The module's counters are read while it is still loaded; they go below the summary.
  const std::string moduleCounters = o.benchRepeats ? "" : FormatCounters(ReadCounters(session));
  session.Close();
  PrintLog(session, out);
  if (!o.benchRepeats) {
    out << "summary: " << Count(counts.packets, "packet") << ", " << Count(counts.rows, "row")
        << " released";
    if (counts.badLines)
      out << ", " << Count(counts.badLines, "bad line") << " skipped";
    if (counts.failedCalls)
      out << ", " << Count(counts.failedCalls, "failed call");
    out << ", " << Seconds(elapsed) << "\n";
    if (!moduleCounters.empty())
      out << moduleCounters << "\n";
  }
  out.flush();
  return status;
}

} // namespace hostsim
