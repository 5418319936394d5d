// Module handles, their file names and version resources, and the WOW64 facts that file names
// depend on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/// Folder separator of the platform's file names ('\' on Windows, '/' on POSIX).
char PathDelimiter() noexcept;

/// Full file name of a loaded module; 0 names the library that contains this code. Empty when the
/// system does not know the module.
std::string ModuleFileName(uintptr_t module);

/// What a file's version resource tells.
struct FileVersionInfo {
  /// The fixed file version, most significant part first (major, minor, release, build).
  std::array<uint16_t, 4> Version{};
  /// String values of the first language listed in the resource; empty when absent.
  std::string ProductName;
  std::string FileDescription;
};

/// Full file name of the running program (the host's executable). Empty when unknown.
std::string ExecutableFileName();

/// Reads the version resource of FileName; nothing when the file has none or cannot be read.
/// POSIX shared objects carry no version resource.
std::optional<FileVersionInfo> ReadFileVersionInfo(const std::string& fileName);
/// The four numbers of a file's version resource, or nothing when it has none.
std::optional<std::array<uint16_t, 4>> FileVersion(const std::string& fileName);

/// True when the system reports this process as a 32-bit process on 64-bit Windows (WOW64);
/// false where the query does not exist, and always on POSIX.
bool IsWow64Process() noexcept;

/// Switches the WOW64 file-system redirection off for the calling thread while it lives and back
/// on when it ends. Does nothing when the process does not run under WOW64 or the switches are
/// missing from the system (they are looked up when the library is loaded).
class ScopedWow64RedirectionOff {
public:
  ScopedWow64RedirectionOff() noexcept;
  ~ScopedWow64RedirectionOff();
  ScopedWow64RedirectionOff(const ScopedWow64RedirectionOff&) = delete;
  ScopedWow64RedirectionOff& operator=(const ScopedWow64RedirectionOff&) = delete;

  /// True when redirection was switched off.
  bool Active() const noexcept { return active_; }

private:
  [[maybe_unused]] void* cookie_ = nullptr;
  bool active_ = false;
};

} // namespace platform
