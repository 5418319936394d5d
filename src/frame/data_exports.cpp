// The data path: ProcessData hands the module one packet, GetData asks for data it has ready,
// GetEvents for its queued events. Lists published in Output stay owned by the instance.
#include "frame/commands.h"
#include "frame/descriptor_exports.h"
#include "frame/host_log.h"
#include "frame/instances.h"
#include "rtl/exceptions.h"
#include "support/message_pump.h"

#include <string>

namespace frame {
namespace {

constexpr uint32_t kDataCallWaitMs = 30000;

bool IsListKind(uint8_t kind) {
  return kind == ZET_KIND_LIST || kind == ZET_KIND_LIST_ALT;
}

bool IsReleaseRequest(const TPluginDataDesc& d) {
  return d.Kind == ZET_KIND_REQUEST && d.Data == ZET_REQUEST_RELEASE;
}

/// Holds Busy and the calling thread's count of data calls for the body of one data call.
class DataCallScope {
public:
  explicit DataCallScope(TzetPlugin& instance) : instance_(instance) {}
  /// Steps 3 to 5 of every data call: wait while the instance terminates and another data call
  /// runs, refuse a terminating instance, then mark it busy.
  bool Enter() {
    // A wait ends at once when a flag is clear, the usual case: looked at here, without a call.
    const bool clear = !instance_.Busy.load(std::memory_order_acquire) ||
                       !instance_.TerminateNow.load(std::memory_order_acquire);
    if (!clear &&
        !support::WaitForFlags(kDataCallWaitMs, {&instance_.Busy, &instance_.TerminateNow}))
      return false;
    // Counts the call in, unless the instance terminates. Until the call ends the calling
    // thread's output list is its own, and the last UNLOAD waits for it.
    if (!instance_.CallerOutputs.Enter(&instance_.TerminateNow))
      return false;
    entered_ = true;
    // Busy only paces the data calls of an instance (two calls may pass the wait above at the
    // same moment); what they share is guarded by locks. A plain store is enough.
    instance_.Busy.store(true, std::memory_order_release);
    return true;
  }
  ~DataCallScope() {
    if (!entered_)
      return;
    instance_.Busy.store(false, std::memory_order_release);
    instance_.CallerOutputs.Leave();
  }

private:
  TzetPlugin& instance_;
  bool entered_ = false;
};

// The completion messages are read under the descriptor lock, like every text that may be
// replaced (translated) while data calls run.
void PostIfSet(TzetPlugin& instance, int level, const rtl::AnsiString& field) {
  const rtl::AnsiString message = instance.DescriptorText(field);
  if (!message.IsEmpty())
    PostLogLine(&instance, level, message.View());
}

void PostHandlerFailure(TzetPlugin& instance, const std::string& what) {
  const rtl::AnsiString message = instance.DescriptorText(instance.MsgWriteCompleteError);
  if (!message.IsEmpty())
    PostLogLine(&instance, 1, message.Str() + ": " + what);
}

std::string FailureMessage(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
    return "Unknown failure";
  }
}

int32_t ProcessDataBody(TzetPlugin& instance, PPluginCallRec rec) {
  int32_t result = 0;
  if (!IsValidCallRec(rec))
    return 0;
  rec->Output.Data = 0;
  rec->Output.Kind = ZET_KIND_NONE;
  if (!TzetParamsListRef(rec->Params).IsValid())
    rtl::AssertionFailure("Invalid call parameters", kFrameUnit, __LINE__);

  const uintptr_t inputData = rec->Input.Data;
  try {
    const TModuleTypes types = rec->ModuleTypes;
    if (types != 0) {
      if (!HasModuleType(types, mttDataQuery) && rec->Input.Data && IsListKind(rec->Input.Kind) &&
          TzetParamsListRef(reinterpret_cast<void*>(rec->Input.Data)).Count() == 0)
        rec->Input.Data = 0;

      bool callHandler = true;
      if (HasModuleType(types, mttDataExport)) {
        if (!rec->Input.Data) {
          PostIfSet(instance, 1, instance.MsgNoData);
          callHandler = false;
        } else if (rec->Input.Kind == ZET_KIND_LIST) {
          // The host's last row is closed with a marker. An unfilled last slot is no marker.
          const TzetParamsListRef input(reinterpret_cast<void*>(rec->Input.Data));
          const TzetParamsListItem* last = input.LastItem();
          if (input.IsRowsList() && input.Count() > 0 && !(last && last->Name == kRowMarker))
            input.AddNewRow();
        }
      }

      if (callHandler && instance.OnProcessData) {
        try {
          instance.OnProcessData(&instance, rec, result);
          instance.PublishOutputRows(rec);
          if (result > 0 && !rec->Input.Data)
            result = 0;
          if (HasModuleType(types, mttDataExport) || HasModuleType(types, mttEventsHandling)) {
            if (result < 0)
              PostIfSet(instance, 1, instance.MsgWriteCompleteError);
            else
              PostIfSet(instance, 2, instance.MsgWriteComplete);
          }
        } catch (...) {
          result = ZET_RESULT_FAILED;
          PostHandlerFailure(instance, FailureMessage(std::current_exception()));
        }
      } else if (callHandler && HasModuleType(types, mttFilter)) {
        rec->Output = rec->Input; // the packet passes through unchanged
      }
    }
  } catch (...) {
    result = ZET_RESULT_FAILED;
  }
  if (rec->Input.Data == inputData)
    rec->Input.Data = 0;
  return result;
}

int32_t GetDataBody(TzetPlugin& instance, PPluginCallRec rec) {
  int32_t result = 0;
  rec->Output.Data = 0;
  try {
    if (rec->ModuleTypes == 0)
      return 0;
    if (!instance.OutputRows)
      throw rtl::Exception("The module has no output list: it is not loaded");
    const bool releaseRequest = IsReleaseRequest(rec->Input);
    if (!releaseRequest) {
      rec->Input.Kind = ZET_KIND_NONE;
      rec->Input.Data = 0;
    }
    try {
      if (!instance.OnGetData && releaseRequest) {
        instance.ClearOutputRows();
        return 0;
      }
      if (instance.OnGetData)
        instance.OnGetData(&instance, rec, result);
      if (releaseRequest) {
        instance.ClearOutputRows();
        return result;
      }
      // OutputRows with items is published whatever the handler put into Output.
      const TPluginDataDesc handlerOutput = rec->Output;
      rec->Output.Kind = ZET_KIND_NONE;
      instance.PublishOutputRows(rec);
      if (rec->Output.Kind == ZET_KIND_NONE)
        rec->Output = handlerOutput;
      if (result > 0 && !rec->Input.Data)
        result = 0;
    } catch (...) {
      result = ZET_RESULT_FAILED;
      PostHandlerFailure(instance, FailureMessage(std::current_exception()));
    }
  } catch (...) {
    result = ZET_RESULT_FAILED;
  }
  return result;
}

int32_t GetEventsBody(TzetPlugin& instance, PPluginCallRec rec) {
  TzetRowsParamsList* events = instance.OutputEvents.get();
  if (!events)
    throw rtl::Exception("The module has no event list: it is not loaded");
  if (rec->Output.Data == reinterpret_cast<uintptr_t>(events) || IsReleaseRequest(rec->Input)) {
    events->Clear();
  } else {
    rec->Output.Kind = ZET_KIND_LIST;
    rec->Output.Data = reinterpret_cast<uintptr_t>(events);
  }
  return 0;
}

enum class DataExport { Process, Get, Events };

int32_t RunDataExport(PPluginCallRec rec, DataExport which) noexcept {
  if (!IsValidCallRec(rec))
    return ZET_RESULT_REJECTED;
  TzetPlugin* instance = nullptr;
  try {
    if (!FindInstance(rec, instance, which == DataExport::Process))
      return ZET_RESULT_REJECTED;
  } catch (...) {
    // A failing instance creation in the lookup must not leave the library: there is no
    // instance, so the call is rejected as for any other missing instance.
    return ZET_RESULT_REJECTED;
  }
  try {
    DataCallScope scope(*instance);
    if (!scope.Enter())
      return ZET_RESULT_REJECTED;
    if (which == DataExport::Process && !InstanceListExists())
      return ZET_RESULT_REJECTED;
    if (which != DataExport::Events)
      rec->Output.Data = 0;
    const char* label = which == DataExport::Process ? "PROCESS"
                        : which == DataExport::Get   ? "GETDATA"
                                                     : "GETEVENTS";
    try {
      if (which == DataExport::Process)
        return ProcessDataBody(*instance, rec);
      if (which == DataExport::Get)
        return GetDataBody(*instance, rec);
      return GetEventsBody(*instance, rec);
    } catch (const std::exception& e) {
      LogException(instance, label, e);
    } catch (...) {
      LogException(instance, label);
    }
  } catch (...) {
    // Nothing may leave the library.
  }
  return ZET_RESULT_FAILED;
}

} // namespace

int32_t ProcessData(PPluginCallRec rec) noexcept {
  return RunDataExport(rec, DataExport::Process);
}
int32_t GetData(PPluginCallRec rec) noexcept {
  return RunDataExport(rec, DataExport::Get);
}
int32_t GetEvents(PPluginCallRec rec) noexcept {
  return RunDataExport(rec, DataExport::Events);
}

} // namespace frame
