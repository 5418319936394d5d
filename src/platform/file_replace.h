// Replacing a file by a finished copy. Whole-file stores write their new content to a temporary
// file beside the target and then put it in the target's place in one step, so that a reader in
// another process sees either the old file or the new one, never a half-written one.
#pragma once

#include <string>

namespace platform {

/// Puts the file Source in the place of Target, replacing Target when it exists. Both names are
/// 8-bit paths in the system code page and must lie on the same volume. Returns false when the
/// replacement failed; Error then receives the system's description of the cause and both files
/// are left as they were.
bool MoveFileReplacing(const std::string& source, const std::string& target, std::string& error);

} // namespace platform
