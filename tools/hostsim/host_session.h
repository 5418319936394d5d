// One module instance of the loaded library, driven as a host drives it: LOAD with the host's
// parameters, one ProcessData call per packet in the filter role, the module's log lines, and
// UNLOAD with the release of the instance at the end. Only the exports and the ABI header are
// used.
//
// Log lines: under Windows the instance is given a real message window (hostkit::MessageWindow);
// the lines it sends there are collected, and its "log lines waiting" notice is answered with
// GetLogEx on the window's thread. A native build of the library cannot reach a window of the
// host, so the instance is given a window handle that names no window: every send fails at once
// and the module keeps its lines for GetLogEx. On both platforms TakeLog() also fetches with
// GetLogEx, so the lines of a call are all there when the call has returned.
#pragma once

#include "host_list.h"
#include "message_window.h"
#include "plugin_library.h"
#include "zet_plugin_abi.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

/// One log line of the module: its level (0 failure, 1 error, 2 success, -1 unknown) and its text
/// without the level character.
struct LogLine {
  int level = -1;
  std::string text;
};

/// Splits a block of log lines (CR LF separated, each led by its level character).
std::vector<LogLine> SplitLogText(std::string_view text);

/// The host parameters of LOAD that say where the settings are; empty ones are not sent.
struct HostSettings {
  std::string iniFile;
  std::string sectionPrefix;
  std::string registryPath;
  /// The host's language ("LANGUAGE"), such as "RU"; empty sends none.
  std::string language;
};

/// A released row: its items in order, without the row marker.
using Row = std::vector<hostkit::ItemView>;

/// The rows of a list: the items between row markers; items after the last marker form a row too.
std::vector<Row> SplitRows(const std::vector<hostkit::ItemView>& items);

class HostSession {
public:
  HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;
  ~HostSession();

  /// Loads the library and resolves its exports. False with Error set when the library cannot be
  /// loaded, lacks an export a host needs, or speaks another interface version.
  bool Open(const std::string& path, std::string& error);
  /// The module's description, empty when it has none.
  std::string Description();

  /// Sends LOAD. False with Error set when the module does not answer 0.
  bool Load(const HostSettings& settings, std::string& error);

  /// The roles of the data calls (ZET_MTT_*); the filter role unless changed.
  void SetModuleTypes(uint8_t types) { moduleTypes_ = types; }

  /// Sends one packet through ProcessData in the module's roles and answers its result. When Rows
  /// is given, the released rows are appended to it; RowCount (when given) gets their number.
  int32_t Process(hostkit::HostList& packet, std::vector<Row>* rows, int* rowCount);

  /// The named property Name through GET-MODULE-PARAMETER ("RESULT"); nothing when the module
  /// does not answer the command or answers Empty or Null, as it does for a name it lacks.
  std::optional<hostkit::ItemView> Parameter(const std::string& name);

  /// Announces the parser items (SET-ITEMS) by name; false when the module refuses them.
  bool SetParserItems(const std::vector<std::string>& names);
  /// Opens the module's options dialog through ShowOptionsDialog and answers its outcome (0 closed
  /// without OK, 1 OK, 2 no instance, 3 no dialog, 4 failed while prepared); -1 when the library
  /// has no such export.
  int32_t ShowOptions();

  /// The log lines that arrived since the last call, oldest first.
  std::vector<LogLine> TakeLog();

  /// UNLOAD, release of the instance, the window and the library. Safe to call twice. Log lines
  /// of the UNLOAD stay for TakeLog.
  void Close();

private:
  void FetchLog();
  int32_t Command(hostkit::HostList& params);

  hostkit::PluginLibrary library_;
  PFN_ExecutePluginCommand execute_ = nullptr;
  PFN_ProcessData processData_ = nullptr;
  PFN_GetLogEx getLogEx_ = nullptr;
  PFN_GetModuleType getModuleType_ = nullptr;
  PFN_GetModuleDescription getDescription_ = nullptr;
  PFN_ShowOptionsDialog showOptions_ = nullptr;
  std::unique_ptr<hostkit::MessageWindow> window_;
  uintptr_t windowHandle_ = 0;
  HostSettings settings_;
  bool loaded_ = false;
  uint8_t moduleTypes_ = ZET_MTT_FILTER;
  hostkit::HostList dataParams_; // the parameter list of every data call: empty

  std::mutex logLock_;
  std::vector<LogLine> log_;
};

} // namespace hostsim
