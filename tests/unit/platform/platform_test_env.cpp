#include "platform_test_env.h"

#include "platform/environment.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <random>
#include <system_error>

namespace platform_test {

namespace {
std::string RunName() {
  static const std::string name = [] {
    std::random_device random;
    return std::to_string(random()) + "_" + std::to_string(random());
  }();
  return name;
}

// The POSIX registry and lock files live in the run folder, so tests never touch the user's own
// tree; the Windows build uses the system registry below a key of its own.
class PlatformEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    platform::SetEnvVar("AGG_REGISTRY_DIR", (RunFolder() / "registry").string());
    // The POSIX named lock keeps its lock files in the temporary folder.
    const auto temp = RunFolder() / "tmp";
    std::filesystem::create_directories(temp);
    platform::SetEnvVar("TMPDIR", temp.string());
  }
  void TearDown() override {
    platform::RegistryFaults::Clear();
    for (auto root : {platform::RegRoot::CurrentUser, platform::RegRoot::LocalMachine}) {
      if (std::string folder = platform::RegistryRootFolder(root); !folder.empty())
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
      platform::DeleteKey(root, TestKeyPath());
      const char* parent = "Software\\AggregationUnitTests";
      if (auto key = platform::OpenKey(root, parent, platform::RegAccess::Read);
          key && key.SubKeyNames().empty()) {
        key.Close();
        platform::DeleteKey(root, parent);
      }
    }
    std::error_code ignored;
    std::filesystem::remove_all(RunFolder(), ignored);
  }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new PlatformEnvironment);
} // namespace

const std::filesystem::path& RunFolder() {
  static const std::filesystem::path folder = [] {
    auto path = std::filesystem::temp_directory_path() / ("unit_platform_" + RunName());
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

const std::string& TestKeyPath() {
  static const std::string path = "Software\\AggregationUnitTests\\" + RunName();
  return path;
}

} // namespace platform_test
