#include "host_session.h"

#include <cstring>

namespace hostsim {
namespace {

// The host's handle and index of its one module instance.
constexpr uint32_t kModuleHandle = 1;
constexpr uint32_t kModuleIndex = 1;
// A message window handle that names no window of the native library's window table (its
// handles are multiples of four): sends and posts to it fail at once.
constexpr uintptr_t kNoWindow = 0x7FFFFFF1;

TPluginCallRec NewRecord(void* params) {
  TPluginCallRec rec;
  std::memset(&rec, 0, sizeof rec);
  rec.RecordTag = ZET_RECORD_TAG;
  rec.ModuleHandle = kModuleHandle;
  rec.ModuleIndex = kModuleIndex;
  rec.Params = params;
  return rec;
}

} // namespace

std::vector<LogLine> SplitLogText(std::string_view text) {
  std::vector<LogLine> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos)
      end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (!line.empty()) {
      LogLine out;
      const auto code = static_cast<unsigned char>(line.front());
      if (code >= ZET_LOG_FAILURE && code <= ZET_LOG_SUCCESS) {
        out.level = code - 1;
        out.text = std::string(line.substr(1));
      } else {
        out.text = std::string(line);
      }
      lines.push_back(std::move(out));
    }
    start = end + 1;
  }
  return lines;
}

std::vector<Row> SplitRows(const std::vector<hostkit::ItemView>& items) {
  std::vector<Row> rows;
  Row current;
  for (const auto& item : items) {
    if (item.name == ZET_ROW_MARKER) {
      if (!current.empty())
        rows.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(item);
    }
  }
  if (!current.empty())
    rows.push_back(std::move(current));
  return rows;
}

HostSession::HostSession() = default;

HostSession::~HostSession() {
  Close();
}

bool HostSession::Open(const std::string& path, std::string& error) {
  std::string reason;
  if (!library_.Load(path, reason)) {
    error = reason;
    return false;
  }
  auto intfVersion = library_.Get<PFN_GetPluginIntfVersion>("GetPluginIntfVersion");
  execute_ = library_.Get<PFN_ExecutePluginCommand>("ExecutePluginCommand");
  processData_ = library_.Get<PFN_ProcessData>("ProcessData");
  getLogEx_ = library_.Get<PFN_GetLogEx>("GetLogEx");
  getModuleType_ = library_.Get<PFN_GetModuleType>("GetModuleType");
  getDescription_ = library_.Get<PFN_GetModuleDescription>("GetModuleDescription");
  showOptions_ = library_.Get<PFN_ShowOptionsDialog>("ShowOptionsDialog");
  std::string missing;
  const auto need = [&missing](const void* fn, const char* name) {
    if (!fn)
      missing += missing.empty() ? name : std::string(", ") + name;
  };
  need(reinterpret_cast<const void*>(intfVersion), "GetPluginIntfVersion");
  need(reinterpret_cast<const void*>(execute_), "ExecutePluginCommand");
  need(reinterpret_cast<const void*>(processData_), "ProcessData");
  need(reinterpret_cast<const void*>(getLogEx_), "GetLogEx");
  need(reinterpret_cast<const void*>(getModuleType_), "GetModuleType");
  if (!missing.empty()) {
    error = path + " is not a plug-in module: it lacks the export(s) " + missing;
    library_.Unload();
    return false;
  }
  const int32_t version = intfVersion();
  if ((version & 0xFFFF) != ZET_INTERFACE_VERSION) {
    error = path + " speaks plug-in interface version " + std::to_string(version & 0xFFFF) +
            "; this host speaks version " + std::to_string(ZET_INTERFACE_VERSION);
    library_.Unload();
    return false;
  }
  return true;
}

std::string HostSession::Description() {
  if (!getDescription_)
    return {};
  TPluginCallRec rec = NewRecord(nullptr);
  const char* text = getDescription_(&rec);
  return text ? text : "";
}

int32_t HostSession::Command(hostkit::HostList& params) {
  TPluginCallRec rec = NewRecord(params.Raw());
  return execute_(&rec);
}

bool HostSession::Load(const HostSettings& settings, std::string& error) {
  if (!execute_) {
    error = "no library is loaded";
    return false;
  }
  if (hostkit::MessageWindow::Supported()) {
    window_ = std::make_unique<hostkit::MessageWindow>(
        [this](uintptr_t, uintptr_t, std::string bytes) {
          auto lines = SplitLogText(bytes);
          std::lock_guard<std::mutex> g(logLock_);
          log_.insert(log_.end(), lines.begin(), lines.end());
        },
        [this](uint32_t message, uintptr_t) {
          if (message == ZET_WM_HOST_LOG_PENDING)
            FetchLog();
        });
    windowHandle_ = window_->Handle();
    if (!windowHandle_) {
      error = "cannot create the host's message window";
      window_.reset();
      return false;
    }
  } else {
    windowHandle_ = kNoWindow;
  }
  settings_ = settings;
  hostkit::HostList params;
  params.AddText("COMMAND", "LOAD");
  params.AddText("ApplicationName", "hostsim");
  params.AddInt("MessagesProcessorHandle", static_cast<int32_t>(windowHandle_));
  if (!settings.registryPath.empty())
    params.AddText("RegistryPath", settings.registryPath);
  if (!settings.iniFile.empty())
    params.AddText("INI-FILE", settings.iniFile);
  if (!settings.sectionPrefix.empty())
    params.AddText("INISectionPrefix", settings.sectionPrefix);
  if (!settings.language.empty())
    params.AddText("LANGUAGE", settings.language);
  const int32_t result = Command(params);
  loaded_ = true; // a failed LOAD still counts; UNLOAD balances it
  if (result != ZET_RESULT_DONE) {
    error = "the module answered LOAD with " + std::to_string(result) +
            (result == ZET_RESULT_FAILED ? " (a failure was caught)" : "");
    return false;
  }
  return true;
}

int32_t HostSession::Process(hostkit::HostList& packet, std::vector<Row>* rows, int* rowCount) {
  if (rowCount)
    *rowCount = 0;
  if (!processData_)
    return ZET_RESULT_REJECTED;
  TPluginCallRec rec = NewRecord(dataParams_.Raw());
  rec.ModuleTypes = moduleTypes_;
  rec.Input.Kind = ZET_KIND_LIST;
  rec.Input.Data = reinterpret_cast<uintptr_t>(packet.Raw());
  const int32_t result = processData_(&rec);
  const uint8_t kind = rec.Output.Kind;
  const uintptr_t data = rec.Output.Data;
  if (kind != ZET_KIND_LIST || data == 0)
    return result;
  // The list stays the module's (or is the packet passed through); read it before the next call.
  const auto* list = reinterpret_cast<const ZetParamsListLayout*>(data);
  if (list->Signature != ZET_LIST_SIGNATURE)
    return result;
  if (rows) {
    auto found = SplitRows(hostkit::ReadList(list));
    if (rowCount)
      *rowCount = static_cast<int>(found.size());
    rows->insert(rows->end(), std::make_move_iterator(found.begin()),
                 std::make_move_iterator(found.end()));
  } else if (rowCount) {
    // Counting only: a row ends at each marker, or at the last item.
    bool open = false;
    for (int32_t i = 0; i < list->Count; ++i) {
      const auto* item = static_cast<const ZetParamsListItemLayout*>(list->Items[i]);
      const std::string_view name = hostkit::CountedStringView(item->Name);
      if (name == ZET_ROW_MARKER) {
        *rowCount += open;
        open = false;
      } else {
        open = true;
      }
    }
    *rowCount += open;
  }
  return result;
}

std::optional<hostkit::ItemView> HostSession::Parameter(const std::string& name) {
  if (!execute_ || !loaded_)
    return std::nullopt;
  hostkit::HostList params;
  params.AddText("COMMAND", "GET-MODULE-PARAMETER");
  params.AddText("PARAM", name);
  params.AddNull("RESULT");
  if (Command(params) != ZET_RESULT_DONE)
    return std::nullopt;
  for (auto& item : hostkit::ReadList(params.Raw()))
    if (item.name == "RESULT" && item.type != 0 && item.type != 1)
      return std::move(item);
  return std::nullopt;
}

bool HostSession::SetParserItems(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names)
    text += (text.empty() ? "" : "\r\n") + name + "|" + name + "|String|";
  hostkit::HostList params;
  params.AddText("COMMAND", "SET-ITEMS");
  params.AddText("ITEMS", text);
  return Command(params) == ZET_RESULT_DONE;
}

int32_t HostSession::ShowOptions() {
  if (!showOptions_)
    return -1;
  hostkit::HostList params;
  if (!settings_.iniFile.empty())
    params.AddText("INI-FILE", settings_.iniFile);
  if (!settings_.language.empty())
    params.AddText("LANGUAGE", settings_.language);
  TPluginCallRec rec = NewRecord(params.Raw());
  showOptions_(&rec);
  return static_cast<int32_t>(rec.Output.Data);
}

void HostSession::FetchLog() {
  if (!getLogEx_)
    return;
  std::vector<char> buffer(4096);
  for (int attempt = 0; attempt < 4; ++attempt) {
    TPluginCallRec rec = NewRecord(nullptr);
    rec.Input.Data = reinterpret_cast<uintptr_t>(buffer.data());
    rec.Input.Size = static_cast<int32_t>(buffer.size());
    const int32_t copied = getLogEx_(&rec);
    const auto needed = static_cast<int32_t>(rec.Output.Data);
    if (copied > 0 && copied <= static_cast<int32_t>(buffer.size())) {
      auto lines = SplitLogText(std::string_view(buffer.data(), static_cast<std::size_t>(copied)));
      std::lock_guard<std::mutex> g(logLock_);
      log_.insert(log_.end(), lines.begin(), lines.end());
      return;
    }
    // Nothing waits, or the lines need a larger buffer (they stay until fetched).
    if (needed <= static_cast<int32_t>(buffer.size()) || needed > (64 << 20))
      return;
    buffer.resize(static_cast<std::size_t>(needed));
  }
}

std::vector<LogLine> HostSession::TakeLog() {
  FetchLog();
  std::lock_guard<std::mutex> g(logLock_);
  std::vector<LogLine> out;
  out.swap(log_);
  return out;
}

void HostSession::Close() {
  if (!library_.IsLoaded())
    return;
  if (loaded_) {
    hostkit::HostList params;
    params.AddText("COMMAND", "UNLOAD");
    // The same INI file as at LOAD: a different one would make the module save its settings there.
    if (!settings_.iniFile.empty())
      params.AddText("INI-FILE", settings_.iniFile);
    Command(params);
    loaded_ = false;
    FetchLog();
  }
  // Release the instance; GetModuleType is the cheapest export that takes the release.
  TPluginCallRec rec = NewRecord(nullptr);
  rec.Action = ZET_ACTION_RELEASE;
  getModuleType_(&rec);
  // The window's thread may call into the library until it has ended.
  window_.reset();
  windowHandle_ = 0;
  library_.Unload();
  execute_ = nullptr;
  processData_ = nullptr;
  getLogEx_ = nullptr;
  getModuleType_ = nullptr;
  getDescription_ = nullptr;
  showOptions_ = nullptr;
}

} // namespace hostsim
