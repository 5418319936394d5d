// The options-dialog export until the module has a dialog: it answers its no-instance value, and
// 3 (no dialog handler) for a live instance.
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

} // namespace frame
