// A loaded module instance as the host tests drive it: settings from a private INI file, commands
// with extra parameters, packets of integers, and the released rows as text.
#pragma once

#include "host_fixture.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using Packet = std::vector<std::pair<std::string, int32_t>>;
using ParamsFiller = std::function<void(hostkit::HostList&)>;

/// The rows of the list in Output as "A=1 B=2|", "<none>" when Output holds no list.
std::string OutputRowsText(RecordBytes& r);

class ModuleSession {
public:
  /// Loads a fresh instance whose settings are the lines of the INI section "Common"; Window,
  /// when not 0, is the host's message window.
  explicit ModuleSession(const std::vector<std::string>& common, uintptr_t window = 0);
  /// The last UNLOAD and the release; the INI file goes.
  ~ModuleSession();
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  uint32_t Handle() const { return handle_; }
  const std::string& Ini() const { return ini_; }

  /// One command; Extra adds parameters, Result (when given) receives the "RESULT" item.
  int32_t Command(const char* word, const ParamsFiller& extra = {},
                  hostkit::ItemView* result = nullptr) const;
  /// GET-MODULE-PARAMETER of Name: the "RESULT" item.
  hostkit::ItemView Get(const char* name) const;
  /// LOAD-SETTINGS-NOW from the instance's INI file, without saving.
  int32_t Reload() const;
  /// One packet in the filter role; Rows gets the released rows (see OutputRowsText).
  int32_t Send(const Packet& values, std::string& rows) const;

private:
  std::string ini_;
  uint32_t handle_ = 0;
};
