// Private folders of one test program under the system's temporary folder. A folder is made
// empty on first use and removed with everything in it when the program ends, so that runs
// leave nothing behind.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

namespace test_support {

namespace detail {

class ScratchFolders {
public:
  static ScratchFolders& Instance() {
    static ScratchFolders folders;
    return folders;
  }
  std::filesystem::path Make(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        (prefix + "-" + std::to_string(stamp % 1000000007) + "-" + std::to_string(++counter));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder, ignored);
    std::lock_guard<std::mutex> hold(lock_);
    made_.push_back(folder);
    return folder;
  }
  ~ScratchFolders() {
    for (const std::filesystem::path& folder : made_) {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  }

private:
  std::mutex lock_;
  std::vector<std::filesystem::path> made_;
};

} // namespace detail

/// A new empty folder named after Prefix, removed when the program ends.
inline std::filesystem::path ScratchFolder(const std::string& prefix) {
  return detail::ScratchFolders::Instance().Make(prefix);
}

} // namespace test_support
