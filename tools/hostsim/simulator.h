// The host simulator's run: settings, library, LOAD, the packets of the input, the rows and log
// lines they bring, the summary, UNLOAD.
#pragma once

#include "options.h"
#include "packet_parser.h"
#include "host_session.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace hostsim {

/// Exit statuses of the program.
constexpr int kExitDone = 0;
constexpr int kExitBadInput = 1; // some input lines were bad, or a data call failed
constexpr int kExitUnusable = 2; // usage error, settings or library unusable

/// Builds the host's list for a parsed packet.
void FillPacket(const std::vector<PacketValue>& values, hostkit::HostList& packet);

/// A row as one output line: "row N: name=value name=value ...".
std::string FormatRow(int number, const Row& row);

/// The module's counters, read by name at the end of a run; each is absent when the module does
/// not answer it (a library without them).
struct ModuleCounters {
  std::optional<std::string> packets;    // "Stats.Packets"
  std::optional<std::string> rows;       // "Stats.Rows"
  std::optional<std::string> partial;    // "Stats.Partial"
  std::optional<std::string> discarded;  // "Stats.Discarded"
  std::optional<std::string> groups;     // "Stats.Groups"
  std::optional<std::string> lastReason; // "Stats.LastReason"
  std::optional<std::string> misfits;    // "Stats.Misfits"
};

ModuleCounters ReadCounters(HostSession& session);

/// The summary line of the counters the module answered: "counters: 9 packets, 4 rows (2
/// partial), 1 discarded, 1 group open, last reason: timeout, 2 misfits left out" (misfits only
/// when there were any); empty when it answered none.
std::string FormatCounters(const ModuleCounters& counters);

/// Runs the simulation. Options.library must name the library. Input is read line by line as it
/// arrives (so a person can type packets); SourceName names it in error messages. Rows, log lines
/// and the summary go to Out, problems to Err. Answers the exit status.
int RunSimulation(const Options& options, std::istream& input, const std::string& sourceName,
                  std::ostream& out, std::ostream& err);

} // namespace hostsim
