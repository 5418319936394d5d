// The options-dialog export: prepares the instance from the call's parameters, runs the module's
// dialog handler on the calling thread, reports the outcome in the call record and, after OK,
// makes the other instances that keep their settings under the same registry path reload them.
#include "frame/call_params.h"
#include "frame/descriptor_exports.h"
#include "frame/host_log.h"
#include "frame/instances.h"
#include "platform/host_window.h"

#include <exception>
#include <thread>

namespace frame {
namespace {

// Outcomes in Output.Data.
constexpr int32_t kClosedWithoutOk = 0;
constexpr int32_t kConfirmed = 1;
constexpr int32_t kNoInstance = 2;
constexpr int32_t kNoDialog = 3;
constexpr int32_t kPreparing = 4;

void ReloadOthers(TzetPlugin& self) {
  const std::thread::id caller = std::this_thread::get_id();
  ForEachInstance([&](TzetPlugin& other) {
    if (&other == &self || other.ModuleRegistryPath.Str() != self.ModuleRegistryPath.Str() ||
        !other.OnLoadSettingsNow)
      return;
    try {
      if (other.LoadThreadId == caller) {
        other.OnLoadSettingsNow(&other);
      } else if (uintptr_t window = other.MessagesProcessorHandle.load()) {
        // The host reloads that instance on the thread that loaded it.
        platform::PostOrSend(window, ZET_WM_HOST_RELOAD_SETTINGS, other.ModuleIndex, 0);
      }
    } catch (...) {
      // One instance that fails to reload does not keep the others from it.
    }
  });
}

} // namespace

void ShowOptionsDialog(PPluginCallRec rec) noexcept {
  if (!rec)
    return;
  try {
    rec->Output.Kind = ZET_KIND_INTEGER;
    rec->Output.Size = 4;
    rec->Output.Data = kNoInstance;
    TzetPlugin* instance = BeginDialogRun(rec);
    if (!instance)
      return;
    // A release during the dialog leaves the instance to this call, which destroys it last.
    struct TRunEnd {
      TzetPlugin* Instance;
      ~TRunEnd() { EndDialogRun(Instance); }
    } runEnd{instance};
    if (!instance->OnShowOptionsDialog) {
      rec->Output.Data = kNoDialog;
      return;
    }
    rec->Output.Data = kPreparing;
    const CallParams p(rec->Params);
    if (p.IsSet()) {
      instance->INIFile = p.Text("INI-FILE");
      instance->ApplyLanguage(rec->Params);
      if (p.Present("OWNERFORM"))
        instance->OwnerForm = p.Handle("OWNERFORM");
    }

    bool success = false;
    try {
      instance->OnShowOptionsDialog(instance, rec, success);
    } catch (const std::exception& e) {
      success = false;
      QueueLogLine(instance, 0, std::string(e.what()) + " {SHOWOPTIONS}");
    } catch (...) {
      success = false;
      QueueLogLine(instance, 0, "Unknown failure {SHOWOPTIONS}");
    }
    rec->Output.Data = success ? kConfirmed : kClosedWithoutOk;
    if (success)
      ReloadOthers(*instance);
  } catch (...) {
    // A failure while the call is prepared leaves the outcome it had reached (4 once the
    // parameters are being read); nothing reaches the host.
  }
}

} // namespace frame
