#include "platform/timer_window.h"

namespace platform {

WindowHandle CreateTimerWindow(WindowProc proc, void* context) {
  return CreateMessageWindow(proc, context);
}

} // namespace platform
