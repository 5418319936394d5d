// The hidden utility window that a timer component keeps in the thread that created it. It
// receives the system timer's messages and the control messages that other threads send to
// switch the timer or to have the window destroyed. The window is a message window in the sense
// of message_pump.h: the timers (SetWindowTimer, KillWindowTimer), the sends and
// DestroyMessageWindow of that interface all apply to it.
//
// On Windows it is a message-only window of a class of its own: the system's WM_TIMER reaches it
// as on any window, broadcasts do not; its procedure must not let exceptions escape (a timer
// message is dispatched by the system's frames). The POSIX stand-in is a window of the
// message-queue stand-in.
#pragma once

#include "platform/message_pump.h"

namespace platform {

/// Creates the timer window of the calling thread; 0 on failure. Its procedure hears
/// kDestroyMessage last: nothing reaches it after that.
WindowHandle CreateTimerWindow(WindowProc proc, void* context);

} // namespace platform
