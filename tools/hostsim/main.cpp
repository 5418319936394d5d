// hostsim: a host for the aggregation filter at a terminal. It loads the library, configures it,
// sends it packets read from a file or standard input and prints the rows it releases.
#include "options.h"
#include "options_dialog.h"
#include "plugin_library.h"
#include "simulator.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  try {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    auto options = hostsim::ParseOptions(args, error);
    if (!options) {
      std::cerr << "hostsim: " << error << "\n";
      return hostsim::kExitUnusable;
    }
    if (options->help) {
      std::cout << hostsim::HelpText("hostsim");
      return hostsim::kExitDone;
    }
    if (options->library.empty())
      options->library = hostkit::ProgramDirectory() + hostkit::DefaultLibraryName();
    else if (options->library.find_first_of("/\\") == std::string::npos &&
             std::filesystem::is_regular_file(options->library))
      options->library = "./" + options->library; // a bare name would be looked up elsewhere

    if (options->options) {
      if (options->input.empty())
        return hostsim::RunOptionsDialog(*options, nullptr, std::cout, std::cerr);
      std::ifstream file(options->input, std::ios::binary);
      if (!file) {
        std::cerr << "hostsim: cannot open the input " << options->input << "\n";
        return hostsim::kExitUnusable;
      }
      return hostsim::RunOptionsDialog(*options, &file, std::cout, std::cerr);
    }
    if (options->input.empty())
      return hostsim::RunSimulation(*options, std::cin, "stdin", std::cout, std::cerr);
    std::ifstream file(options->input, std::ios::binary);
    if (!file) {
      std::cerr << "hostsim: cannot open the input " << options->input << "\n";
      return hostsim::kExitUnusable;
    }
    return hostsim::RunSimulation(*options, file, options->input, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "hostsim: " << e.what() << "\n";
    return hostsim::kExitUnusable;
  }
}
