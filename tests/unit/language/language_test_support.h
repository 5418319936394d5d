// Shared pieces of the language tests: a folder of their own for language files, and a file
// writer that keeps bytes exactly as given.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace language_test {

/// A new empty folder below the system's temporary folder, removed with the object.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  /// Path of Name in the folder, as the library takes file names.
  std::string File(std::string_view name) const;
  /// Writes Bytes to Name and answers its path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  /// The content of a file; empty when it cannot be read.
  static std::string Read(const std::string& path);

private:
  std::filesystem::path path_;
};

/// Lines joined with CR LF, each line followed by one.
std::string CrLf(std::initializer_list<std::string_view> lines);

} // namespace language_test
