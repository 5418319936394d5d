// Shared set-up of the platform tests: a registry and a temporary folder of their own.
#pragma once

#include <filesystem>
#include <string>

namespace platform_test {

/// A folder below the system's temporary folder for this run of the tests, removed at the end.
const std::filesystem::path& RunFolder();
/// "Software\AggregationUnitTests\<run>": the key below which the tests keep their keys. It is
/// deleted under every root at the end of the run.
const std::string& TestKeyPath();

} // namespace platform_test
