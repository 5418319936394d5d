#include "frame/commands.h"

#include "frame/builtin_commands.h"
#include "frame/call_params.h"
#include "frame/descriptor_exports.h"
#include "frame/host_log.h"
#include "frame/instances.h"
#include "rtl/exceptions.h"

namespace frame {
namespace {

// Leaves the command lock and the nesting count on every way out of the dispatcher.
class CommandScope {
public:
  explicit CommandScope(TzetPlugin& instance) : instance_(instance) {
    instance_.CommandLock.lock();
    depth_ = ++instance_.CommandDepth;
  }
  ~CommandScope() {
    --instance_.CommandDepth;
    instance_.CommandLock.unlock();
  }
  bool Nested() const { return depth_ != 1; }

private:
  TzetPlugin& instance_;
  int32_t depth_;
};

int32_t RunLoad(TzetPlugin& instance, PPluginCallRec rec) {
  try {
    instance.DoLoad(rec);
    return ZET_RESULT_DONE;
  } catch (const std::exception& e) {
    LogException(&instance, "LOAD", e);
  } catch (...) {
    LogException(&instance, "LOAD");
  }
  return ZET_RESULT_FAILED;
}

int32_t RunUnload(TzetPlugin& instance, PPluginCallRec rec) {
  try {
    instance.DoUnload(rec);
    return ZET_RESULT_DONE;
  } catch (...) {
    return ZET_RESULT_FAILED;
  }
}

int32_t RunCustom(TzetPlugin& instance, const std::string& command, PPluginCallRec rec) {
  int32_t result = ZET_RESULT_NOTHING_DONE;
  if (!instance.OnExecuteCustomCommand)
    return result;
  try {
    instance.OnExecuteCustomCommand(&instance, command, rec, result);
  } catch (const std::exception& e) {
    result = ZET_RESULT_FAILED;
    LogException(&instance, command, e);
  } catch (...) {
    result = ZET_RESULT_FAILED;
    LogException(&instance, command);
  }
  return result;
}

} // namespace

int32_t Dispatch(TzetPlugin& instance, const std::string& command, PPluginCallRec rec) {
  CommandScope scope(instance);
  if (scope.Nested())
    rtl::AssertionFailure("Nested plugin commands are not allowed", kFrameUnit, __LINE__);
  const CallParams p(rec->Params);
  if (command == "LOAD")
    instance.ApplyLanguage(rec->Params);
  if (p.Present("MessagesProcessorHandle"))
    instance.MessagesProcessorHandle = p.Handle("MessagesProcessorHandle");
  if (p.Present("OWNERFORM"))
    instance.OwnerForm = p.Handle("OWNERFORM");

  if (command == "LOAD") {
    instance.ReportLanguageFileFailure();
    return RunLoad(instance, rec);
  }
  if (command == "UNLOAD")
    return RunUnload(instance, rec);
  if (command == "EVENT")
    return RunEvent(instance, rec);
  if (command == "SET-ITEMS")
    return RunSetItems(instance, rec);
  if (command == "SET-STATE")
    return RunSetState(instance, rec);
  if (command == "ITEMS")
    return RunItems(instance, rec);
  if (command == "EVENTS-SUPPORT")
    return RunEventsSupport(instance, rec);
  if (command == "GET-MODULE-PARAMETER")
    return RunGetModuleParameter(instance, rec);
  if (command == "SET-MODULE-PARAMETER")
    return RunSetModuleParameter(instance, rec);
  if (command == "SAVE-SETTINGS-NOW")
    return RunSettingsNow(instance, rec, /*load=*/false);
  if (command == "LOAD-SETTINGS-NOW")
    return RunSettingsNow(instance, rec, /*load=*/true);
  return RunCustom(instance, command, rec);
}

int32_t ExecutePluginCommand(PPluginCallRec rec) noexcept {
  if (!IsValidCallRec(rec))
    return ZET_RESULT_REJECTED;
  std::string label = "CMD?";
  TzetPlugin* instance = nullptr;
  try {
    if (!FindInstance(rec, instance, true))
      return ZET_RESULT_REJECTED;
    const TzetParamsListRef params(rec->Params);
    if (!params.IsValid())
      rtl::AssertionFailure("Invalid call parameters", kFrameUnit, __LINE__);
    instance->ApplyTemporaryLoad(rec->Params);
    const rtl::Variant word = params.GetValue("COMMAND");
    if (word.IsEmptyValue())
      return ZET_RESULT_REJECTED;
    try {
      const std::string command = word.ToText();
      label = command;
      return Dispatch(*instance, command, rec);
    } catch (...) {
      // A build without a crash-reporting component only logs the call stack.
      QueueCallStack(instance);
      return ZET_RESULT_FAILED;
    }
  } catch (const std::exception& e) {
    LogException(instance, label, e);
  } catch (...) {
    LogException(instance, label);
  }
  return ZET_RESULT_FAILED;
}

} // namespace frame
