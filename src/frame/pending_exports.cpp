// Exports whose behaviour for a live instance arrives with the command, data-path, dialog and
// host-log work. They already check the call record and answer their no-instance values; for a
// live instance they answer -2 (nothing done).
#include "frame/descriptor_exports.h"
#include "frame/instances.h"

namespace frame {
namespace {
bool Live(PPluginCallRec rec, bool create) noexcept {
  try {
    TzetPlugin* instance = nullptr;
    return FindInstance(rec, instance, create);
  } catch (...) {
    return false;
  }
}
} // namespace

int32_t ExecutePluginCommand(PPluginCallRec rec) noexcept {
  if (!IsValidCallRec(rec) || !Live(rec, true))
    return ZET_RESULT_REJECTED;
  return ZET_RESULT_NOTHING_DONE;
}

void ShowOptionsDialog(PPluginCallRec rec) noexcept {
  if (!rec)
    return;
  rec->Output.Kind = ZET_KIND_INTEGER;
  rec->Output.Size = 4;
  rec->Output.Data = 2;
  if (!Live(rec, true))
    return;
  rec->Output.Data = 3; // no options dialog handler yet
}

int32_t ProcessData(PPluginCallRec rec) noexcept {
  if (!IsValidCallRec(rec) || !Live(rec, true))
    return ZET_RESULT_REJECTED;
  return ZET_RESULT_NOTHING_DONE;
}

int32_t GetData(PPluginCallRec rec) noexcept {
  if (!IsValidCallRec(rec) || !Live(rec, false))
    return ZET_RESULT_REJECTED;
  return ZET_RESULT_NOTHING_DONE;
}

int32_t GetEvents(PPluginCallRec rec) noexcept {
  if (!IsValidCallRec(rec) || !Live(rec, false))
    return ZET_RESULT_REJECTED;
  return ZET_RESULT_NOTHING_DONE;
}

} // namespace frame
