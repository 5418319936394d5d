// Thread message queues and message windows.
//
// Every thread has a message queue. Messages posted to a window land in the queue of the thread
// that created the window and reach the window's procedure when that thread takes and dispatches
// them. A message sent to a window of another thread is handed to the owner thread and runs the
// moment that thread next looks at its queue (PeekRemoveMessage, WaitForMessage, or while it
// waits in a send of its own); the sender waits for the answer, bounded by its time-out.
//
// On Windows these are the system's queues and windows (PeekMessageA, DispatchMessageA,
// SendMessageTimeoutA, message-only windows, SetTimer ...). On POSIX the same behaviour is kept
// by an in-process stand-in: each thread gets a queue the first time it uses one of these calls;
// a window is a handle in a process-wide table with its procedure and its owner thread; sent
// messages are queued with a completion slot that the owner thread fills after running the
// procedure. The stand-in knows only the windows made by CreateMessageWindow; handles of other
// processes do not exist there. It does not judge a thread "hung": a send to a thread that does
// not look at its queue ends by its time-out.
//
// Exceptions: a C++ exception thrown by a window procedure created here comes out of
// DispatchWindowMessage (on Windows it is carried past the system's frames, which it must not
// cross). In every other delivery (sent messages, timers run while a thread peeks or waits, a
// send to a window of the calling thread) it is swallowed.
#pragma once

#include <cstdint>

namespace platform {

using WindowHandle = uintptr_t;

/// The parts of a queued message. Time and the cursor position are kept so that a message taken
/// from the Windows queue can be dispatched unchanged; the stand-in leaves them 0.
struct Message {
  WindowHandle hwnd = 0; // 0 for a thread message
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  uint32_t time = 0;
  int32_t ptX = 0;
  int32_t ptY = 0;
};

/// Message numbers of the system that callers of this interface deal with.
constexpr uint32_t kDestroyMessage = 0x0002;  // WM_DESTROY: the window is being destroyed
constexpr uint32_t kQuitMessage = 0x0012;     // WM_QUIT: wParam is the exit code
constexpr uint32_t kCopyDataMessage = 0x004A; // WM_COPYDATA: lParam points to a CopyDataRecord
constexpr uint32_t kTimerMessage = 0x0113;    // WM_TIMER: wParam is the timer identifier
constexpr uint32_t kUserMessage = 0x0400;     // WM_USER: first private window message

/// The copy-data record of kCopyDataMessage (COPYDATASTRUCT). The sender keeps it and the data
/// alive until the send returns; the receiver reads them only inside its window procedure.
struct CopyDataRecord {
  uintptr_t dwData;
  uint32_t cbData;
  const void* lpData;
};

/// Flags of SendWindowMessageTimeout, with the values of the system's SMTO_ flags.
constexpr uint32_t kSendNormal = 0x0000;
/// While waiting, do not run messages that other threads send to the caller's own windows.
constexpr uint32_t kSendBlock = 0x0001;
/// Give up at once when the receiving thread does not respond (Windows only; see above).
constexpr uint32_t kSendAbortIfHung = 0x0002;

/// A wait without limit, for WaitForMessage.
constexpr uint32_t kInfinite = 0xFFFFFFFFu;

/// Procedure of a message window. Context is the value given to CreateMessageWindow. Messages it
/// does not handle must be answered with DefaultWindowProc. Creation messages are not passed on.
using WindowProc = intptr_t (*)(void* context, WindowHandle window, uint32_t message,
                                uintptr_t wParam, intptr_t lParam);

// --- threads -------------------------------------------------------------------------------------

/// Identifier of the calling thread (the system's thread identifier).
uint32_t CurrentThreadId();
/// True on the thread that loaded the library (the one that ran its start-up).
bool IsLoaderThread();
/// Gives up the rest of the time slice (0) or sleeps Ms milliseconds.
void SleepMs(uint32_t ms);

// --- the calling thread's queue ------------------------------------------------------------------

/// Runs messages sent to the caller's windows, then removes one message of the calling thread
/// (any window, any message, thread messages and the quit message included) without waiting.
/// Posted messages come first, then the quit message, then due timers. False when there is none.
bool PeekRemoveMessage(Message& msg);
/// Translates keyboard messages into character messages (nothing to do in the stand-in).
void TranslateWindowMessage(const Message& msg);
/// Hands a message taken from the queue to its window's procedure and answers its result;
/// 0 when the window does not exist or belongs to another thread.
intptr_t DispatchWindowMessage(const Message& msg);
/// Waits until the calling thread has a message to take, running sent messages meanwhile.
/// True when one is there, false after Ms milliseconds (kInfinite: no limit).
bool WaitForMessage(uint32_t ms);
/// Marks the calling thread's queue as told to quit: once no posted message is left,
/// PeekRemoveMessage answers kQuitMessage with wParam ExitCode.
void PostQuit(int32_t exitCode);
/// Posts a thread message (no window) to the queue of a thread; false when the thread has no
/// queue.
bool PostThreadMessageTo(uint32_t threadId, uint32_t message, uintptr_t wParam, intptr_t lParam);

// --- message windows -----------------------------------------------------------------------------

/// Creates a hidden message window owned by the calling thread; 0 on failure.
WindowHandle CreateMessageWindow(WindowProc proc, void* context);
/// Destroys a window of the calling thread (its procedure gets kDestroyMessage first, and its
/// timers stop). False when the window does not exist or belongs to another thread.
bool DestroyMessageWindow(WindowHandle window);
/// True while Window exists.
bool IsMessageWindow(WindowHandle window);
/// Identifier of the thread that owns Window; 0 when it does not exist.
uint32_t WindowOwnerThread(WindowHandle window);
/// The system's handling of a message that a window procedure does not handle.
intptr_t DefaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);

/// Queues a message for Window in its owner thread's queue and returns at once; false when the
/// window does not exist.
bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
/// Sends a message to Window and waits for its procedure's answer, at most TimeoutMs.
/// A window of the calling thread is called directly. For a window of another thread the
/// message is queued for the owner thread; while waiting the caller runs messages sent to its own
/// windows unless Flags has kSendBlock. True with *Result set (Result may be null) when the
/// procedure ran; false when the window does not exist, the time-out passed first, or the owner
/// thread ended first. A message whose sender gave up still runs when the owner gets to it; its
/// answer is dropped.
bool SendWindowMessageTimeout(WindowHandle window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam, uint32_t flags, uint32_t timeoutMs,
                              intptr_t* result);
/// Sends without waiting: a window of the calling thread is called directly, a window of another
/// thread gets the message the next time its owner looks at its queue. False when the window
/// does not exist.
bool SendNotifyWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);

/// Starts (or restarts) timer Id of a window of the calling thread: every Ms milliseconds a
/// kTimerMessage with wParam Id becomes due in the owner's queue (at most one pending per timer).
/// False when the window does not exist, belongs to another thread, or the system refuses.
bool SetWindowTimer(WindowHandle window, uintptr_t id, uint32_t ms);
/// Stops timer Id of Window; false when there was no such timer.
bool KillWindowTimer(WindowHandle window, uintptr_t id);

} // namespace platform
