// hostsim --options: the module's options dialog as a host opens it. The library is loaded and
// LOADed with the chosen settings, the parser items are announced, the dialog runs until it is
// closed, and the outcome and the stored settings are printed.
#pragma once

#include "options.h"

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace hostsim {

/// The distinct item names of the packet lines in Input, in the order they first occur.
std::vector<std::string> ItemNamesOf(std::istream& input);

/// Runs the dialog; Input (may be null) gives the parser items when --items is absent.
int RunOptionsDialog(const Options& o, std::istream* input, std::ostream& out, std::ostream& err);

/// Watches for the options dialog of this process: once it is shown, calls Shown, and when
/// CloseAfterMs is not 0 closes it with its close box that many milliseconds later. Answers a
/// stop function that ends the watch (call it after the dialog has closed). Without a windowing
/// system (the native build) the watch does nothing.
std::function<void()> WatchOptionsDialog(uint32_t closeAfterMs, std::function<void()> shown);

/// The values stored under a registry path of the current user or the machine, as "name=value"
/// lines; empty where there is no registry to read.
std::vector<std::string> RegistryValues(const std::string& path);

} // namespace hostsim
