#include "language_test_support.h"

#include <atomic>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <process.h>
#define AGG_GETPID _getpid
#else
#include <unistd.h>
#define AGG_GETPID getpid
#endif

namespace language_test {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("agg-lang-" + std::to_string(AGG_GETPID()) + "-" + std::to_string(++counter));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::File(std::string_view name) const {
  return (path_ / std::string(name)).string();
}

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const {
  const std::string file = File(name);
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::string TempFolder::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string CrLf(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

} // namespace language_test
