// LOAD and UNLOAD of a module instance, the language step and translation.
#include "frame/call_params.h"
#include "frame/host_log.h"
#include "frame/plugin.h"
#include "platform/app_module.h"
#include "platform/codepage.h"
#include "rtl/published_access.h"

#include <chrono>
#include <thread>

namespace {

// The host's application icon, loaded once for the library while any instance is loaded for a
// host that named its application module. A library has no application object of its own, so
// the frame only keeps the handle.
std::atomic<int32_t> gHostIconCount{0};
std::atomic<uintptr_t> gHostIcon{0};

// The last UNLOAD waits at most this long for running data calls to leave their body.
constexpr auto kDataCallDrainLimit = std::chrono::seconds(30);

template <typename F> void Swallowing(F&& f) noexcept {
  try {
    f();
  } catch (...) {
  }
}

} // namespace

void TzetPlugin::ShutOutDataCalls() noexcept {
  TerminateNow = true;
  // Data calls check TerminateNow after counting themselves in, so once none is counted in no
  // data call can be using the engine state or the output lists.
  const auto limit = std::chrono::steady_clock::now() + kDataCallDrainLimit;
  while (CallerOutputs.AnyInside() && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TzetRowsParamsList* TzetPlugin::CallerOutputRows() {
  return CallerOutputs.ForCaller(OutputRows.get());
}

void TzetPlugin::PublishOutputRows(PPluginCallRec rec) {
  if (rec->Output.Kind != ZET_KIND_NONE)
    return;
  TzetRowsParamsList* rows = CallerOutputRows();
  if (rows && rows->Count() > 0) {
    rec->Output.Kind = ZET_KIND_LIST;
    rec->Output.Data = reinterpret_cast<uintptr_t>(rows);
  }
}

void TzetPlugin::ClearOutputRows() {
  if (TzetRowsParamsList* rows = CallerOutputRows())
    rows->Clear();
}

int32_t TzetPlugin::DoLoad(PPluginCallRec rec) {
  int32_t result = 0;
  if (ModuleLoadCount.fetch_add(1) + 1 > 1)
    return 0;
  const frame::CallParams p(rec->Params);
  LoadThreadId = std::this_thread::get_id();
  ModuleIndex = rec->ModuleIndex;
  ModuleRegistryPath = p.Text("RegistryPath");
  INISectionPrefix = p.Text("INISectionPrefix");
  // A module handle is as wide as a pointer: the 32-bit value of a 32-bit host, the whole value
  // of a 64-bit one.
  if (p.Present("HANDLE"))
    ParentApp = p.Handle("HANDLE");
  ApplicationFullName = p.Text("ApplicationName");
  if (ParentApp == 0 && !ApplicationFullName.IsEmpty())
    ParentApp = platform::FindLoadedModule(ApplicationFullName.Str());
  ModuleLoadForConfig = 0;
  if ((ModuleOptions & ModuleOptionBit(moMultiConfig)) && p.Present("CONFIG-ID"))
    ModuleLoadForConfig = static_cast<int32_t>(p.Value("CONFIG-ID").ToInt64());
  INIFile = p.Text("INI-FILE");
  if (!OutputRows || !OutputEvents) {
    // Data calls reach a fresh instance before its first LOAD; they are kept out while the
    // output lists they read come into being.
    ShutOutDataCalls();
    CallerOutputs.Reset();
    if (!OutputRows)
      OutputRows = std::make_unique<TzetRowsParamsList>();
    if (!OutputEvents)
      OutputEvents = std::make_unique<TzetRowsParamsList>();
  }
  if (ParentApp != 0 && gHostIconCount.fetch_add(1) == 0) {
    Swallowing([&] {
      if (uintptr_t icon = platform::LoadMainIcon(ParentApp))
        gHostIcon.store(icon);
    });
  }
  TerminateNow = false;
  if (OnLoad)
    OnLoad(this, rec, result);
  return result;
}

int32_t TzetPlugin::DoUnload(PPluginCallRec rec) {
  int32_t result = 0;
  if (gHostIconCount.fetch_sub(1) == 1)
    Swallowing([] { platform::DestroyIconHandle(gHostIcon.exchange(0)); });

  const int32_t count = ModuleLoadCount.fetch_sub(1) - 1;
  if (count < 0) {
    ModuleLoadCount = 0;
    return 0;
  }
  if (count > 0)
    return 0;

  ShutOutDataCalls();

  for (bool& enabled : ModuleEnabled)
    enabled = false;
  const frame::CallParams p(rec ? rec->Params : nullptr);
  const rtl::AnsiString newIni =
      p.IsSet() ? rtl::AnsiString(p.Text("INI-FILE")) : rtl::AnsiString();
  if (!(newIni == INIFile)) {
    INIFile = newIni;
    if (OnSaveSettingsNow)
      Swallowing([&] { OnSaveSettingsNow(this); });
  }
  if (OnUnload)
    Swallowing([&] { OnUnload(this, rec, result); });
  CallerOutputs.Reset();
  Swallowing([&] {
    if (OutputRows)
      OutputRows->Clear();
    OutputRows.reset();
  });
  Swallowing([&] {
    if (OutputEvents)
      OutputEvents->Clear();
    OutputEvents.reset();
  });
  ParentApp = 0;
  MessagesProcessorHandle = 0;
  return result;
}

void TzetPlugin::ApplyLanguage(const void* params) {
  const frame::CallParams p(params);
  if (!p.IsSet())
    return;
  const std::string value = p.Text("LANGUAGE");
  if (value.empty() || Language.IsEmpty())
    return;
  if (!(Language == value)) {
    // Another language switches the module to it when there is a language file to take the
    // texts from: the module's own texts go back to the base language and are translated anew;
    // dialogs opened afterwards are translated into the new language. Without a file the value
    // changes nothing.
    if (!Translator || Translator->LanguageFile.empty())
      return;
  }
  if (Translator && !Translator->LanguageFile.empty())
    RestoreSourceTexts();
  Translated = false;
  Language = value;
  TranslateNow();
  if (OnChangeLanguage) {
    try {
      OnChangeLanguage(this);
    } catch (const std::exception& e) {
      frame::LogException(this, "TRANSL", e);
    } catch (...) {
      frame::LogException(this, "TRANSL");
    }
  }
}

void TzetPlugin::ReportLanguageFileFailure() {
  if (LanguageFileFailure.empty() || MessagesProcessorHandle == 0)
    return;
  frame::PostLogLine(this, frame::llError, LanguageFileFailure);
  LanguageFileFailure.clear();
}

void TzetPlugin::TranslateNow() {
  if (Translated || Language.IsEmpty())
    return;
  Swallowing([&] { TranslateComponents(this); });
  Translated = true;
}

void TzetPlugin::TranslateComponents(TObject* root) {
  if (Language.IsEmpty())
    Language = "NONE";
  if (Translator)
    Translator->Translate(Language.Str(), root, nullptr, "EN");
}

void TzetPlugin::KeepSourceTexts() {
  SourceTexts.clear();
  for (int32_t i = 0; i < Translator->ComponentProperties.Count(); ++i) {
    PPropInfo prop = rtl::FindProperty(this, Translator->ComponentProperties[i]);
    if (prop && (prop->Kind() == tkLString || prop->Kind() == tkString))
      SourceTexts.emplace_back(prop->Name(), platform::AnsiToWide(prop->GetText(*this)));
  }
}

void TzetPlugin::RestoreSourceTexts() {
  for (const auto& source : SourceTexts) {
    Swallowing([&] {
      if (PPropInfo prop = rtl::FindProperty(this, source.first))
        prop->SetText(*this, platform::WideToAnsi(source.second));
    });
  }
}
