// The aggregation module: loading and unloading the engine, applying the settings to it, handing
// it the packets, and its counters and commands.
#include "filter/aggregation_plugin.h"

#include "filter/aggregation_options.h"
#include "filter/aggregation_settings.h"
#include "filter/options_form.h"
#include "frame/host_log.h"
#include "frame/key_text.h"
#include "frame/settings_location.h"
#include "platform/file_read.h"
#include "platform/folders.h"
#include "rtl/file_names.h"
#include "settings/big_ini_file_io.h"
#include "settings/settings_store_storage.h"
#include "rtl/exceptions.h"
#include "rtl/form_registry.h"
#include "rtl/published_builder.h"
#include "settings/stored_text.h"
#include "settings/string_holder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kEngineUnit = "PluginDM";
constexpr std::string_view kStatsPrefix = "Stats.";

/// The time of day in milliseconds, by which the time between a save of the pending rows and
/// their restore is counted.
int64_t WallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

rtl::Variant Count(uint64_t value) {
  if (value <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
    return rtl::Variant::Int32(static_cast<int32_t>(value));
  return rtl::Variant::Int64(static_cast<int64_t>(
      std::min<uint64_t>(value, static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))));
}

} // namespace

const TzetPluginClass& TaPlugin::ClassRef() {
  static const TzetPluginClass ref{"TaPlugin", []() -> TzetPlugin* { return new TaPlugin(); }};
  return ref;
}

const rtl::MetaClass& TaPlugin::StaticClass() {
  using T = TaPlugin;
  static const rtl::MetaClass meta =
      rtl::Published<T, TzetPlugin>("TaPlugin")
          .Field("Properties", &T::Properties)
          .Handler("zetPluginLoad", &T::zetPluginLoad)
          .Handler("zetPluginUnload", &T::zetPluginUnload)
          .Handler("zetPluginSaveSettingsNow", &T::zetPluginSaveSettingsNow)
          .Handler("zetPluginLoadSettingsNow", &T::zetPluginLoadSettingsNow)
          .Handler("zetPluginProcessData", &T::zetPluginProcessData)
          .Handler("zetPluginExecuteCustomCommand", &T::zetPluginExecuteCustomCommand)
          .Handler("zetPluginShowOptionsDialog", &T::zetPluginShowOptionsDialog);
  return meta;
}

TaPlugin::~TaPlugin() {
  // The library's end releases a loaded instance without an UNLOAD.
  if (Engine)
    SavePendingRows();
}

void TaPlugin::LoadDesignTimeValues() {
  TzetPlugin::LoadDesignTimeValues();
  RegisterStringHolderClass();
  rtl::LoadFormResource(*this, "TaPlugin");
  // The advanced options are stored only when the user moved them off their defaults: a user
  // who never opens "Advanced..." finds the documented keys and no others.
  const TProxyCodeObject defaults(nullptr);
  const auto text = [](double value) { return rtl::Variant::Double(value).ToText(); };
  KeysStoredOnlyOffDefault = {
      {"Release partial rows", defaults.chkPartial_Checked ? "True" : "False"},
      {"Age limit", text(defaults.spAgeLimit_Value)},
      {"Value lifetime", text(defaults.spLifetime_Value)},
      {"Group by", defaults.cbGroupBy_Text},
      {"Max groups", text(defaults.spMaxGroups_Value)},
      {"Merge separator", EncodeStoredText(defaults.edSeparator_Text)},
      {"Time variable", defaults.cbTimeVar_Text},
      {"Time jump limit", text(defaults.spTimeJump_Value)},
      {"Keep pending rows", defaults.chkKeepPending_Checked ? "True" : "False"}};
  for (std::size_t i = 0; i < defaults.Merges.size(); ++i)
    KeysStoredOnlyOffDefault.emplace_back("Merge" + std::to_string(i + 1), defaults.Merges[i]);
}

const TStringList* TaPlugin::PropertyMap() const {
  return Properties ? Properties->Strings() : nullptr;
}

void TaPlugin::zetPluginLoad(TzetPlugin*, PPluginCallRec, int32_t&) {
  // Data calls may already run while the instance loads (the frame admits them as soon as the
  // first LOAD has begun). They see the engine state only once it is complete: until then they
  // fail as calls to an instance that is not loaded. Loading the settings below takes the engine
  // lock like every other user of the state.
  AggregationList = std::make_unique<TThreadObjectList>(true);
  {
    TThreadObjectList::WriteLocked engine(*AggregationList);
    Engine = std::make_unique<TAggregationEngine>(engine.List(), recycler_);
  }
  engineReady_.store(true, std::memory_order_release);
  Cfg = new TDataSourceCfg(this);
  Cfg->Load();
  RestorePendingRows();
}

void TaPlugin::zetPluginUnload(TzetPlugin*, PPluginCallRec, int32_t&) {
  // The frame lets no data call run while the last UNLOAD is under way, so nothing reads the
  // engine state freed here.
  engineReady_.store(false, std::memory_order_release);
  SavePendingRows();
  TDataSourceCfg* cfg = Cfg;
  Cfg = nullptr;
  delete cfg;
  Engine.reset();
  AggregationList.reset();
}

std::string TaPlugin::PendingRowsPath() const {
  return frame::SettingsSidecarPath(*this, ".pending");
}

void TaPlugin::SavePendingRows() noexcept {
  try {
    if (!Cfg || !Cfg->chkKeepPending_Checked || !Engine || !AggregationList)
      return;
    std::string bytes;
    {
      TThreadObjectList::WriteLocked engine(*AggregationList);
      if (Engine->Holding() != 0)
        bytes = Engine->SaveState(WallClockMs());
    }
    const std::string path = PendingRowsPath();
    // A file stands only while rows wait in it.
    if (bytes.empty()) {
      std::remove(path.c_str());
      return;
    }
    std::string error;
    const std::string folder = rtl::ExtractFilePath(path);
    if (!folder.empty() && !platform::CreateFolders(folder, error))
      throw rtl::Exception("Cannot create the folder \"" + folder + "\". " + error);
    ini_io::WriteWholeFile(path, bytes);
  } catch (const std::exception& failure) {
    frame::QueueLogLine(this, frame::llError,
                        std::string("The pending rows could not be kept: ") + failure.what());
  } catch (...) {
    frame::QueueLogLine(this, frame::llError, "The pending rows could not be kept");
  }
}

void TaPlugin::RestorePendingRows() noexcept {
  try {
    if (!Cfg || !Cfg->chkKeepPending_Checked || !Engine)
      return;
    const std::string path = PendingRowsPath();
    if (!wreg::StoredFileExists(path))
      return;
    std::string bytes, error;
    bool taken = false;
    if (platform::ReadWholeFile(path, bytes, error)) {
      TThreadObjectList::WriteLocked engine(*AggregationList);
      taken = Engine->RestoreState(bytes, WallClockMs(), error);
      Engine->AssertInvariants();
    }
    // Taken up once: a later start must not bring the same rows back.
    std::remove(path.c_str());
    if (!taken)
      frame::QueueLogLine(this, frame::llError,
                          "The pending rows in \"" + path + "\" were not taken up: " + error);
  } catch (...) {
    frame::LogException(this, "Pending rows");
  }
}

void TaPlugin::ApplySettings(const TProxyCodeObject& settings) {
  // One hold of the engine lock for the whole rebuild: a data call merges its packet either
  // under the old configuration or under the new one, never under an empty one in between.
  TThreadObjectList::WriteLocked engine(*AggregationList);
  engine.List().Clear();
  for (const std::string& var : settings.Vars) {
    const std::string_view name = frame::TrimText(var);
    if (!name.empty())
      engine.List().Add(new TAggregationListItem(this, name));
  }
  Engine->Configure(MillisecondsFromSetting(settings.spTimeout_Value), settings.chkNoReset_Checked,
                    TAggregationOptions::FromSettings(settings));
  Engine->AssertInvariants();
}

void TaPlugin::ResetAggregation() {
  TThreadObjectList::WriteLocked engine(*AggregationList);
  Engine->Reset();
  Engine->AssertInvariants();
}

void TaPlugin::zetPluginProcessData(TzetPlugin*, PPluginCallRec rec, int32_t& result) {
  result = 0;
  const bool hasInput = rec->Input.Data != 0 &&
                        (rec->Input.Kind == ZET_KIND_LIST || rec->Input.Kind == ZET_KIND_LIST_ALT);
  const bool ready = engineReady_.load(std::memory_order_acquire);
  // The calling thread's output list: only this thread fills, publishes and clears it.
  TzetRowsParamsList* rows = ready ? CallerOutputRows() : nullptr;
  if (!hasInput) {
    // A released row is handed out once: a call without input clears it, without touching
    // anything of the engine.
    if (rows)
      rows->Clear();
    return;
  }
  if (!rows)
    rtl::AssertionFailure("The aggregation module is not loaded", kEngineUnit, __LINE__);

  // What the engine has to say goes to the host log once the engine lock is given back.
  std::vector<std::string> notes;
  {
    TThreadObjectList::WriteLocked engine(*AggregationList);
    // Checked however the call leaves, also by a failure.
    struct TCheckOnExit {
      TAggregationEngine& Engine;
      ~TCheckOnExit() { Engine.AssertInvariants(); }
    } check{*Engine};
    const bool answers =
        Engine->ProcessPacket(TzetParamsListRef(reinterpret_cast<void*>(rec->Input.Data)), *rows);
    Engine->TakeNotes(notes);
    if (answers) {
      // What the frame would publish for a released row, said here, where the list is at
      // hand; an empty list is published too, answered with "nothing done".
      if (rows->Count() == 0)
        result = ZET_RESULT_NOTHING_DONE;
      rec->Output.Kind = ZET_KIND_LIST;
      rec->Output.Data = reinterpret_cast<uintptr_t>(rows);
    }
  }
  for (const std::string& note : notes)
    frame::QueueLogLine(this, frame::llError, note);
}

bool TaPlugin::CheckEngineInvariants() {
  if (!AggregationList)
    return true;
  TThreadObjectList::WriteLocked engine(*AggregationList);
  return !Engine || Engine->CheckInvariants();
}

bool TaPlugin::GetModuleNamedProperty(std::string_view name, rtl::Variant& value) {
  if (name.size() <= kStatsPrefix.size() ||
      !frame::SameKey(name.substr(0, kStatsPrefix.size()), kStatsPrefix))
    return false;
  const std::string_view counter = name.substr(kStatsPrefix.size());
  // An instance that is not loaded has no engine: its counters read as after a reset.
  TAggregationStats stats;
  int32_t groups = 0;
  if (AggregationList) {
    TThreadObjectList::WriteLocked engine(*AggregationList);
    if (Engine) {
      stats = Engine->Stats();
      groups = Engine->Holding();
    }
  }
  if (frame::SameKey(counter, "Packets"))
    value = Count(stats.Packets);
  else if (frame::SameKey(counter, "Rows"))
    value = Count(stats.Rows);
  else if (frame::SameKey(counter, "Partial"))
    value = Count(stats.Partial);
  else if (frame::SameKey(counter, "Discarded"))
    value = Count(stats.Discarded);
  else if (frame::SameKey(counter, "Misfits"))
    value = Count(stats.Misfits);
  else if (frame::SameKey(counter, "Groups"))
    value = rtl::Variant::Int32(groups);
  else if (frame::SameKey(counter, "LastReason"))
    value = rtl::Variant::FromAnsiText(RowEndReasonText(stats.LastReason));
  else
    return false;
  return true;
}

void TaPlugin::zetPluginExecuteCustomCommand(TzetPlugin*, const std::string& command,
                                             PPluginCallRec, int32_t& result) {
  if (command != "RESET-STATS")
    return;
  std::optional<TThreadObjectList::WriteLocked> engine;
  if (AggregationList)
    engine.emplace(*AggregationList);
  if (Engine)
    Engine->ResetStats();
  result = ZET_RESULT_DONE;
}

void TaPlugin::zetPluginSaveSettingsNow(TzetPlugin*) {
  if (Cfg)
    Cfg->Save();
}

void TaPlugin::zetPluginLoadSettingsNow(TzetPlugin*) {
  if (Cfg)
    Cfg->Load();
}

void TaPlugin::zetPluginShowOptionsDialog(TzetPlugin*, PPluginCallRec, bool& success) {
  // The dialog enters and leaves the module's owned components under the lock that the module's
  // translation on another thread holds while it walks them.
  struct TFree {
    TaPlugin& Module;
    void operator()(TfrmOption* form) const {
      auto lock = Module.LockOwnedComponents();
      delete form;
    }
  };
  std::unique_ptr<TfrmOption, TFree> form(nullptr, TFree{*this});
  {
    auto lock = LockOwnedComponents();
    form.reset(TfrmOption::Create(this));
  }
  form->OwnerWindow = OwnerForm;
  if (form->ShowModal() != mrOk)
    return;
  success = true;
  if (Cfg)
    Cfg->Load();
}
