// Replacing a file by a finished copy. Whole-file stores write their new content to a temporary
// file beside the target and then put it in the target's place in one step, so that a reader in
// another process sees either the old file or the new one, never a half-written one.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

/// Puts the file Source in the place of Target, replacing Target when it exists. Both names are
/// 8-bit paths in the system code page and must lie on the same volume. Returns false when the
/// replacement failed; Error then receives the system's description of the cause and both files
/// are left as they were.
bool MoveFileReplacing(const std::string& source, const std::string& target, std::string& error);

/// Creates (or empties) FileName, an 8-bit path in the system code page, for writing in binary
/// mode. The handle is not inherited by programs this process starts: an inherited handle would
/// hold the file open, and make its replacement fail, for as long as such a program runs. Null
/// with errno set when the file cannot be created.
std::FILE* CreateForWriting(const std::string& fileName);

/// Steps of a whole-file write that a test can make fail (bit set of FileWriteFaults).
enum FileFaultOp : unsigned {
  fileFaultCreate = 1u << 0, // creating the new copy, as in a folder the user may not write to
  fileFaultWrite = 1u << 1,  // writing its content, as on a full disk
};

/// Test seam: makes the steps of whole-file writes fail with a given C runtime error number
/// (EACCES for a refused write, ENOSPC for a full disk, ...), as the system does when it refuses
/// them. The switches are read at every step, by every thread. Works the same on both platforms.
class FileWriteFaults {
public:
  /// Steps of the kinds in Ops (FileFaultOp bits) fail from now on with Error; Ops 0 ends that.
  static void Set(unsigned ops, int error) noexcept {
    state_.store(Pack(ops, error), std::memory_order_relaxed);
  }
  /// The error number with which the step Op fails; 0 when it does not fail.
  static int Fails(unsigned op) noexcept {
    const uint64_t state = state_.load(std::memory_order_relaxed);
    return (static_cast<unsigned>(state) & op) != 0 ? static_cast<int>(state >> 32) : 0;
  }

private:
  friend class ScopedFileWriteFault;
  static uint64_t Pack(unsigned ops, int error) noexcept {
    return static_cast<uint64_t>(static_cast<uint32_t>(error)) << 32 | ops;
  }
  static inline std::atomic<uint64_t> state_{0};
};

/// Sets whole-file write failures for the lifetime of the object, then restores the previous
/// switches.
class ScopedFileWriteFault {
public:
  ScopedFileWriteFault(unsigned ops, int error) noexcept
      : previous_(FileWriteFaults::state_.exchange(FileWriteFaults::Pack(ops, error),
                                                   std::memory_order_relaxed)) {}
  ~ScopedFileWriteFault() { FileWriteFaults::state_.store(previous_, std::memory_order_relaxed); }
  ScopedFileWriteFault(const ScopedFileWriteFault&) = delete;
  ScopedFileWriteFault& operator=(const ScopedFileWriteFault&) = delete;

private:
  uint64_t previous_;
};

} // namespace platform
