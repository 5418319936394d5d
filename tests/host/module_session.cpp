#include "module_session.h"

#include <fstream>

std::string OutputRowsText(RecordBytes& r) {
  if (r.OutputKind() != ZET_KIND_LIST)
    return "<none>";
  std::string rows;
  for (const auto& item : hostkit::ReadList(reinterpret_cast<void*>(r.OutputData()))) {
    if (item.name == ZET_ROW_MARKER) {
      rows += "|";
    } else {
      if (!rows.empty() && rows.back() != '|')
        rows += " ";
      rows += item.name + "=" + item.text;
    }
  }
  return rows;
}

ModuleSession::ModuleSession(const std::vector<std::string>& common, uintptr_t window) {
  handle_ = HostTest::FreshHandle();
  ini_ =
      (std::filesystem::temp_directory_path() / ("agg-session-" + std::to_string(handle_) + ".ini"))
          .string();
  std::ofstream out(ini_, std::ios::binary);
  out << "[Common]\r\n";
  for (const std::string& line : common)
    out << line << "\r\n";
  out.close();
  EXPECT_EQ(Command("LOAD",
                    [&](hostkit::HostList& p) {
                      p.AddText("INI-FILE", ini_);
                      if (window)
                        p.AddInt64("MessagesProcessorHandle", static_cast<int64_t>(window));
                    }),
            0);
}

ModuleSession::~ModuleSession() {
  Command("UNLOAD", [&](hostkit::HostList& p) { p.AddText("INI-FILE", ini_); });
  RecordBytes release;
  release.Handle(handle_).Action(ZET_ACTION_RELEASE);
  HostTest::X().GetModuleType(release.Rec());
  std::error_code ignored;
  std::filesystem::remove(ini_, ignored);
}

int32_t ModuleSession::Command(const char* word, const ParamsFiller& extra,
                               hostkit::ItemView* result) const {
  hostkit::HostList params;
  params.AddText("COMMAND", word);
  if (extra)
    extra(params);
  RecordBytes r;
  r.Handle(handle_).Params(params.Raw());
  const int32_t code = HostTest::X().ExecutePluginCommand(r.Rec());
  if (result) {
    *result = {};
    for (const hostkit::ItemView& item : hostkit::ReadList(params.Raw()))
      if (item.name == "RESULT")
        *result = item;
  }
  return code;
}

hostkit::ItemView ModuleSession::Get(const char* name) const {
  hostkit::ItemView result;
  Command(
      "GET-MODULE-PARAMETER",
      [&](hostkit::HostList& p) {
        p.AddText("PARAM", name);
        p.AddNull("RESULT");
      },
      &result);
  return result;
}

int32_t ModuleSession::Reload() const {
  return Command("LOAD-SETTINGS-NOW", [&](hostkit::HostList& p) {
    p.AddText("INI-FILE", ini_);
    p.AddInt("NO-SAVE", 1);
  });
}

int32_t ModuleSession::Send(const Packet& values, std::string& rows) const {
  hostkit::HostList packet, params;
  for (const auto& [name, value] : values)
    packet.AddInt(name, value);
  RecordBytes r;
  r.Handle(handle_).Params(params.Raw()).Types(ZET_MTT_FILTER);
  r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
  const int32_t code = HostTest::X().ProcessData(r.Rec());
  rows = OutputRowsText(r);
  return code;
}
