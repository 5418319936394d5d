#include "options.h"

#include "host_list.h"

#include <charconv>
#include <cmath>
#include <set>
#include <string_view>
#include <system_error>

namespace hostsim {
namespace {

bool ParseDouble(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && p == end && std::isfinite(value);
}

bool ParseCount(const std::string& text, uint32_t& value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && p == end;
}

// Blanks around a name do not count, as in the module's variable names.
std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Upper and lower case do not count, as in the module's names (ASCII letters).
std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  if (text.empty())
    return names;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    names.push_back(
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos)
      break;
    start = comma + 1;
  }
  return names;
}

} // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options o;
  for (const auto& arg : args)
    if (arg == "-h" || arg == "--help") {
      o.help = true;
      return o;
    }
  std::set<std::string> seen;
  std::vector<std::string> merges; // every --merge, matched with --vars once all are read
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      error =
          "unexpected argument \"" + arg + "\" (packets come from --input FILE or standard input)";
      return std::nullopt;
    }
    // "--name=value" and "--name value" are the same.
    std::optional<std::string> inlineValue;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (!seen.insert(arg).second && arg != "--merge") {
      error = "option " + arg + " is given twice";
      return std::nullopt;
    }
    const auto value = [&](std::string& out) {
      if (inlineValue) {
        out = *inlineValue;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    static const std::set<std::string> kKnown = {
        "--library",   "--ini",      "--registry",    "--section-prefix", "--vars",
        "--timeout",   "--input",    "--time-scale",  "--bench",          "--no-reset",
        "--options",   "--items",    "--close-after", "--language",       "--partial",
        "--age",       "--lifetime", "--group-by",    "--max-groups",     "--merge",
        "--separator", "--time-var", "--time-jump",   "--no-delays"};
    if (!kKnown.count(arg)) {
      error = "unknown option " + arg + " (see --help)";
      return std::nullopt;
    }
    std::string v;
    if (arg == "--options") {
      if (inlineValue) {
        error = "option --options takes no value";
        return std::nullopt;
      }
      o.options = true;
      continue;
    }
    if (arg == "--no-reset") {
      if (inlineValue) {
        error = "option --no-reset takes no value";
        return std::nullopt;
      }
      o.noReset = true;
      continue;
    }
    if (arg == "--partial") {
      if (inlineValue) {
        error = "option --partial takes no value";
        return std::nullopt;
      }
      o.partial = true;
      continue;
    }
    if (arg == "--no-delays") {
      if (inlineValue) {
        error = "option --no-delays takes no value";
        return std::nullopt;
      }
      o.timeScale = 0;
      continue;
    }
    if (!value(v))
      return std::nullopt;
    if (arg == "--library") {
      o.library = v;
    } else if (arg == "--ini") {
      o.iniFile = v;
    } else if (arg == "--registry") {
      o.registryPath = v;
    } else if (arg == "--language") {
      o.language = v;
    } else if (arg == "--section-prefix") {
      o.sectionPrefix = v;
    } else if (arg == "--vars") {
      o.vars = SplitNames(v);
      if (o.vars.size() > kMaxVars) {
        error = "--vars names " + std::to_string(o.vars.size()) + " variables; the module takes " +
                std::to_string(kMaxVars) + " at most";
        return std::nullopt;
      }
    } else if (arg == "--timeout") {
      if (!ParseDouble(v, o.timeoutMs) || o.timeoutMs < 0) {
        error = "--timeout needs milliseconds (a number of 0 or more), not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--age") {
      if (!ParseDouble(v, o.ageLimitMs) || o.ageLimitMs < 0) {
        error = "--age needs milliseconds (a number of 0 or more), not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--lifetime") {
      if (!ParseDouble(v, o.lifetimeMs) || o.lifetimeMs < 0) {
        error = "--lifetime needs milliseconds (a number of 0 or more), not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--group-by") {
      o.groupBy = Trimmed(v);
      if (o.groupBy.empty()) {
        error = "--group-by needs the name of a variable, not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--max-groups") {
      if (!ParseCount(v, o.maxGroups) || o.maxGroups < 1 || o.maxGroups > kMostGroups) {
        error = "--max-groups needs a count from 1 to " + std::to_string(kMostGroups) + ", not \"" +
                v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--time-var") {
      o.timeVar = Trimmed(v);
      if (o.timeVar.empty()) {
        error = "--time-var needs the name of a variable, not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--time-jump") {
      if (!ParseDouble(v, o.timeJumpMs) || o.timeJumpMs < 0) {
        error = "--time-jump needs milliseconds (a number of 0 or more), not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--merge") {
      merges.push_back(v);
    } else if (arg == "--separator") {
      o.separator = v;
      if (const std::size_t length = hostkit::Utf8ToUtf16(v).size(); length > kMaxSeparatorLength) {
        error = "--separator takes at most " + std::to_string(kMaxSeparatorLength) +
                " characters, not " + std::to_string(length);
        return std::nullopt;
      }
    } else if (arg == "--items") {
      o.items = SplitNames(v);
      o.itemsGiven = true;
    } else if (arg == "--close-after") {
      if (!ParseCount(v, o.closeAfterMs)) {
        error = "--close-after needs milliseconds, not \"" + v + "\"";
        return std::nullopt;
      }
    } else if (arg == "--input") {
      o.input = v;
    } else if (arg == "--time-scale") {
      if (!ParseDouble(v, o.timeScale) || o.timeScale < 0) {
        error = "--time-scale needs a factor of 0 or more, not \"" + v + "\"";
        return std::nullopt;
      }
    } else { // --bench
      if (!ParseCount(v, o.benchRepeats) || o.benchRepeats == 0) {
        error = "--bench needs a repeat count of 1 or more, not \"" + v + "\"";
        return std::nullopt;
      }
    }
  }

  const bool ini = seen.count("--ini"), registry = seen.count("--registry"),
             vars = seen.count("--vars");
  if (ini + registry + vars != 1) {
    error = ini + registry + vars == 0
                ? "say where the settings are: --vars A,B,... (a temporary INI file), --ini FILE "
                  "or --registry PATH"
                : "--vars, --ini and --registry exclude each other";
    return std::nullopt;
  }
  static const char* const kGeneratedOnly[] = {
      "--timeout",    "--no-reset", "--partial",   "--age",      "--lifetime", "--group-by",
      "--max-groups", "--merge",    "--separator", "--time-var", "--time-jump"};
  for (const char* name : kGeneratedOnly)
    if (!vars && seen.count(name)) {
      error = std::string(name) +
              ": the generated settings (--timeout, --no-reset, --partial, --age, --lifetime, "
              "--group-by, --max-groups, --merge, --separator, --time-var, --time-jump) go with "
              "--vars; with --ini or --registry the settings come from there";
      return std::nullopt;
    }
  bool concat = false;
  for (const std::string& merge : merges) {
    const std::size_t eq = merge.find('=');
    const std::string name = Trimmed(merge.substr(0, eq));
    if (eq == std::string::npos || name.empty()) {
      error = "--merge needs VAR=STRATEGY, not \"" + merge + "\"";
      return std::nullopt;
    }
    const std::string wanted = Trimmed(merge.substr(eq + 1));
    const char* strategy = nullptr;
    for (const char* known : kMergeStrategies)
      if (Lowered(known) == Lowered(wanted))
        strategy = known;
    if (!strategy) {
      error = "--merge needs a strategy (Last, First, Sum, Min, Max, Mean, Count or Concat), not "
              "\"" +
              wanted + "\"";
      return std::nullopt;
    }
    // A name that --vars gives twice takes the strategy at both places.
    bool found = false;
    for (std::size_t i = 0; i < o.vars.size(); ++i) {
      if (Lowered(Trimmed(o.vars[i])) != Lowered(name))
        continue;
      if (!o.merges[i].empty()) {
        error = "--merge is given twice for the variable " + name;
        return std::nullopt;
      }
      o.merges[i] = strategy;
      found = true;
    }
    if (!found) {
      error = "--merge needs a variable of --vars, not \"" + name + "\"";
      return std::nullopt;
    }
    concat = concat || std::string_view(strategy) == "Concat";
  }
  if (o.separator && !concat) {
    error = "--separator goes with --merge VAR=Concat";
    return std::nullopt;
  }
  if (o.partial && o.timeoutMs <= 0 && o.ageLimitMs <= 0 && o.groupBy.empty()) {
    error = "--partial releases the rows that the timeout, the age limit or a group eviction "
            "ends: give --timeout, --age or --group-by with it";
    return std::nullopt;
  }
  if (seen.count("--lifetime") && !o.noReset) {
    error = "--lifetime goes with --no-reset: with the reset after each row no value outlives "
            "its row";
    return std::nullopt;
  }
  if (seen.count("--max-groups") && o.groupBy.empty()) {
    error = "--max-groups goes with --group-by";
    return std::nullopt;
  }
  if (seen.count("--time-jump") && o.timeVar.empty()) {
    error = "--time-jump goes with --time-var";
    return std::nullopt;
  }
  if (seen.count("--no-delays") && seen.count("--time-scale")) {
    error = "--no-delays and --time-scale exclude each other (--no-delays is --time-scale 0)";
    return std::nullopt;
  }
  if (registry && seen.count("--section-prefix")) {
    error = "--section-prefix names an INI section; it does not go with --registry";
    return std::nullopt;
  }
  if (!o.options && (o.itemsGiven || seen.count("--close-after"))) {
    error = "--items and --close-after go with --options";
    return std::nullopt;
  }
  if (o.options && o.benchRepeats) {
    error = "--options and --bench exclude each other";
    return std::nullopt;
  }
  o.source = ini        ? SettingsSource::IniFile
             : registry ? SettingsSource::Registry
                        : SettingsSource::Generated;
  return o;
}

std::string HelpText(const std::string& program) {
  return "Usage: " + program + R"( SETTINGS [--input FILE] [options]

Loads the aggregation filter library as a data-acquisition host does, sends it one packet per
input line through ProcessData and prints every row it releases, the log lines it sends to the
host and a summary, with the module's own counters ("Stats.Packets" .. "Stats.LastReason", and
"Stats.Misfits" when values were left out of a strategy) when the library keeps them.

Settings (exactly one):
  --vars A,B,...       up to 8 variable names; the simulator writes them to a temporary INI file
    --timeout MS       aggregation timeout in milliseconds (default 0: none)
    --no-reset         keep the collected values after a row is released (data grouping)
    --partial          release a row that the timeout, the age limit or a group eviction ends
                       instead of discarding it: the variables that never came are Null and
                       "$ROW_STATUS$" says why ("timeout" or "age")
    --age MS           end a pending row MS milliseconds after its first value, even while
                       packets keep coming (default 0: never)
    --lifetime MS      with --no-reset: a kept value older than MS milliseconds no longer
                       counts and no longer rides along (default 0: forever)
    --group-by NAME    each value of the variable NAME (a station, a device number) keeps a
                       pending row, marks and timers of its own
    --max-groups N     the most groups open at once, 1 to 65536 (default 256); a new group
                       beyond it ends the group idle longest first
    --merge VAR=STRATEGY
                       how the variable VAR merges the values it receives more than once
                       before its row is released: Last (the latest, default), First, Sum, Min,
                       Max, Mean, Count or Concat (their texts joined); once per variable, the
                       names compared without regard to case
    --separator TEXT   what Concat puts between two values (default ", ", at most 64
                       characters)
    --time-var NAME    the variable NAME holds each packet's time, in milliseconds or as a date:
                       the timeout, the age limit and the value lifetime run on the packets'
                       own clock instead of the system clock (a silent source still ends its
                       row by the system clock after the timeout)
    --time-jump MS     with --time-var: a time that differs from the last one by more than MS
                       milliseconds is a restart of the source's clock, not a jump of it
                       (default 0: no bound)
  --ini FILE           the module reads its settings from this INI file
  --section-prefix P   INI section prefix the host gives the module (with --ini or --vars)
  --registry PATH      the module reads its settings from this registry path

Options dialog:
  --options            open the module's options dialog (no packets are sent): the parser
                       items are announced first, then the dialog runs until it is closed; the
                       outcome and the stored settings are printed afterwards
    --items A,B,...    the parser items to announce (default: the names found in --input)
    --close-after MS   close the dialog with its close box MS ms after it appeared

Options:
  --input FILE         packets from FILE (default: standard input)
  --library PATH       the library to load (default: the one next to this program)
  --language CODE      the host's language (EN, RU, UK, ID, ... as the library's language file
                       lists them); the module shows its texts in it
  --time-scale F       multiply the clock steps of '@' lines by F (default 1.0). Without a time
                       variable the module measures its timers with the system clock, so the
                       simulator really waits; a smaller factor also shortens the gaps it sees
  --no-delays          the same as --time-scale 0: send every packet at once. With a time
                       variable the timers follow the packets' times, so the rows are those of
                       the run with the delays; only the summary's elapsed time differs
  --bench N            replay the input N times without waiting at '@' lines and print the
                       packets per second instead of the rows
  -h, --help           this text

Input, one packet per line:
  temperature=21.5; humidity=40; station='north'; status=
  name=value pairs separated by ';'. A value is an integer, a float, text in '...' or "..."
  (the quote itself written twice: 'it''s'), or nothing (Null). '|' separates like ';' and
  also puts a row marker there. '@MS' at the start of a line lets MS milliseconds pass first
  ("@2500 temperature=19.0", or "@2500" alone). Blank lines and lines starting with '#' are
  skipped. A line with a syntax error is reported as FILE:LINE:COLUMN and skipped.

Log lines: under Windows the module's lines arrive at the simulator's message window; in the
native build there is no window, and the simulator fetches the lines with GetLogEx after each
call.

Exit status: 0 done; 1 some input lines were bad or a call failed; 2 usage error, or the
library cannot be loaded or used.
)";
}

} // namespace hostsim
