// The host simulator's command line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

/// Where the module finds its settings.
enum class SettingsSource {
  IniFile,   // --ini FILE: the host names an INI file the user wrote
  Registry,  // --registry PATH: the host names a registry path
  Generated, // --vars ...: the simulator writes a temporary INI file
};

/// The most variables the module takes.
constexpr std::size_t kMaxVars = 8;

/// The merge strategies' names as the module stores them; "Last" is its default.
inline constexpr const char* kMergeStrategies[] = {"Last", "First", "Sum",   "Min",
                                                   "Max",  "Mean",  "Count", "Concat"};
/// The longest separator the module takes, in characters.
constexpr std::size_t kMaxSeparatorLength = 64;

/// The bounds of --max-groups, and the module's own default.
constexpr uint32_t kDefaultMaxGroups = 256;
constexpr uint32_t kMostGroups = 65536;

struct Options {
  bool help = false;
  /// The library to load; empty selects the one next to the program.
  std::string library;
  SettingsSource source = SettingsSource::Generated;
  std::string iniFile;
  std::string registryPath;
  std::string sectionPrefix;
  /// --language: the host's language code, passed to the module as "LANGUAGE".
  std::string language;
  /// --vars: up to eight variable names, in order (empty names are allowed and left out).
  std::vector<std::string> vars;
  /// --timeout: milliseconds, as the module stores it (a fraction is cut off by the module).
  double timeoutMs = 0;
  bool noReset = false;
  /// --partial: rows ended by the timeout, the age limit or a group eviction go out with Null
  /// values for what never came, instead of being discarded.
  bool partial = false;
  /// --age: milliseconds after the first value of a pending row at which it is ended (0: off).
  double ageLimitMs = 0;
  /// --lifetime: milliseconds after which a kept value stops counting (0: off; with --no-reset).
  double lifetimeMs = 0;
  /// --group-by: the variable whose values each keep a pending row of their own (empty: off).
  std::string groupBy;
  /// --max-groups: the most groups open at once.
  uint32_t maxGroups = kDefaultMaxGroups;
  /// --merge VAR=STRATEGY: the strategy of each place of --vars, by its stored name; empty keeps
  /// the module's default ("Last").
  std::array<std::string, kMaxVars> merges;
  /// --separator: what "Concat" puts between two values (unset: the module's ", ").
  std::optional<std::string> separator;
  /// --time-var: the variable whose value is a packet's time; the module's timers then run on
  /// the packets' own clock (empty: the system clock).
  std::string timeVar;
  /// --time-jump: milliseconds by which a packet's time may differ from the last one before it
  /// counts as a restart of the source's clock (0: no bound; with --time-var).
  double timeJumpMs = 0;
  /// Packet input; empty reads standard input.
  std::string input;
  /// Factor for the clock steps of '@' lines: 0 sends at once (--no-delays), 1 waits the real
  /// time.
  double timeScale = 1.0;
  /// --bench N: replay the input N times and report the rate; 0 = normal run.
  uint32_t benchRepeats = 0;
  /// --options: open the module's options dialog instead of sending packets.
  bool options = false;
  /// --items a,b,c: the parser items announced before the dialog (else the names in --input).
  std::vector<std::string> items;
  bool itemsGiven = false;
  /// --close-after MS: close the dialog with its close box MS milliseconds after it appeared
  /// (for scripts; 0: the user closes it).
  uint32_t closeAfterMs = 0;
};

/// Parses the arguments after the program name. On a usage error answers nothing and sets Error
/// to a message that names the offending argument.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

/// The --help text.
std::string HelpText(const std::string& program);

} // namespace hostsim
