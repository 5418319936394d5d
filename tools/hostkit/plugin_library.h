// Loads the plug-in library the way a host does (LoadLibrary on Windows, dlopen elsewhere) and
// resolves its exports by name. Built only on the ABI header, like any host.
#pragma once

#include "zet_plugin_abi.h"

#include <string>

namespace hostkit {

class PluginLibrary {
public:
  PluginLibrary() = default;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary() { Unload(); }

  /// Loads the library; on failure answers false and sets Error to a readable reason.
  bool Load(const std::string& path, std::string& error);
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }
  /// The address of an export, or null.
  void* Symbol(const char* name) const;

  template <typename Fn> Fn Get(const char* name) const {
    return reinterpret_cast<Fn>(Symbol(name));
  }

private:
  void* handle_ = nullptr;
};

/// Default file name of the library next to the host program.
const char* DefaultLibraryName();

/// The folder of the running program, with a trailing separator; empty when it cannot be told.
std::string ProgramDirectory();

} // namespace hostkit
