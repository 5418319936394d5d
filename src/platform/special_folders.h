// The shell's special folders (application data of the user, of all users, documents, ...),
// named by their shell folder numbers (CSIDL).
#pragma once

#include <string>

namespace platform {

/// Shell folder numbers the library asks for.
constexpr int kCsidlPersonal = 5;       // the user's documents
constexpr int kCsidlAppData = 26;       // application data of the user
constexpr int kCsidlLocalAppData = 28;  // application data of the user on this machine
constexpr int kCsidlCommonAppData = 35; // application data of all users

/// What the shell's special-folder query gave.
enum class ShellFolderStatus {
  Found,   // Path holds the folder
  Failed,  // the query exists but answered nothing for this folder
  NoQuery, // the shell library loads but lacks the query
  NoShell, // the shell library cannot be loaded
};

struct ShellFolderAnswer {
  ShellFolderStatus Status = ShellFolderStatus::NoShell;
  std::string Path; // as the shell gives it, with or without a trailing separator
};

/// Asks the shell for folder Csidl without creating it. Windows: SHGetSpecialFolderPathA of
/// shell32, loaded for this call only. POSIX: the user's documents and application data folders
/// of the XDG conventions below $HOME, and /var/lib for all users; other numbers fail.
ShellFolderAnswer QueryShellSpecialFolder(int csidl);

} // namespace platform
