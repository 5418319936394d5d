// The folder tree behind the POSIX registry: one folder per root below a base folder, one
// sub-folder per key, found by name without regard to ANSI case, and the lock that serialises
// changes of the tree within the process and between processes.
//
// Layout: <base>/<ROOT NAME>/<key>/<sub-key>/... A key name is kept as the folder name, with '/',
// '%', control bytes and a leading '.' written as %XX, so that no key can collide with the values
// file or the temporary files beside it (names starting with '.'). A new key keeps the case it was
// created with.
#pragma once

#include "platform/registry.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry_posix {

constexpr RegStatus kRegGenFailure = 31; // ERROR_GEN_FAILURE: an unexpected file error

/// The registry status for a failed file call's errno.
RegStatus FromErrno(int error) noexcept;

/// The folder of Root (made when missing).
RegStatus RootFolder(RegRoot root, std::string& folder);
/// True while the folder of Root keeps the owner's write permission.
bool RootWritable(RegRoot root);

/// Text lower-cased with the ANSI rules, for comparing names without regard to case.
std::string Folded(std::string_view text);
/// Names (without encoding) of the keys directly below the key folder Dir.
std::vector<std::string> SubKeyNamesIn(const std::string& dir);

/// Walks the names of Path from the key folder Dir, creating missing keys when Create is set;
/// Result receives the folder of the last key.
RegStatus Resolve(std::string dir, std::string_view path, bool create, std::string& result);

/// Serialises changes of the tree within the process and, through flock on "<base>/.lock",
/// between processes, for its own lifetime.
class TreeLock {
public:
  TreeLock();
  ~TreeLock();
  TreeLock(const TreeLock&) = delete;
  TreeLock& operator=(const TreeLock&) = delete;

private:
  static std::mutex& Mutex();
  std::lock_guard<std::mutex> guard_;
  int fd_ = -1;
};

} // namespace platform::registry_posix
