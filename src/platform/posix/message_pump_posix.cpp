// In-process stand-in for the system's thread queues and message windows.
//
// One process-wide mutex guards every queue, window and timer; each queue has a condition
// variable on which its thread waits for new messages and for the answers to its own sends.
// A thread's queue is created the first time the thread uses this interface and is torn down
// when the thread ends: its windows disappear and senders still waiting for it are released.
#include "platform/message_pump.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <sched.h>
#include <unistd.h>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct ThreadQueue;

struct SentMessage {
  Message msg;
  // A copy-data message carries its own copy of the record and the bytes, as the system copies
  // them into the receiving process: a sender that timed out has freed its own by the time the
  // receiver gets to the message.
  CopyDataRecord copyRecord{};
  std::string copyBytes;
  std::shared_ptr<ThreadQueue> sender; // null for a notify send: nobody waits
  bool done = false;
  bool delivered = false;
  intptr_t result = 0;
};

struct WindowTimer {
  WindowHandle window;
  uintptr_t id;
  std::chrono::milliseconds interval;
  Clock::time_point due;
};

struct ThreadQueue {
  explicit ThreadQueue(uint32_t id) : threadId(id) {}
  uint32_t threadId;
  bool alive = true;
  std::condition_variable wake;
  std::deque<Message> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<WindowTimer> timers;
  bool quitPending = false;
  int32_t quitCode = 0;
};

struct Window {
  WindowProc proc;
  void* context;
  std::shared_ptr<ThreadQueue> owner;
};

struct State {
  std::mutex mutex;
  std::unordered_map<uint32_t, std::shared_ptr<ThreadQueue>> threads;
  std::unordered_map<WindowHandle, Window> windows;
  WindowHandle nextWindow = 0x10000;
};

// Never destroyed: threads may still end (and unregister) while the process exits.
State& TheState() {
  static State* state = new State;
  return *state;
}

void CompleteLocked(SentMessage& sent, bool delivered, intptr_t result) {
  sent.done = true;
  sent.delivered = delivered;
  sent.result = result;
  if (sent.sender)
    sent.sender->wake.notify_all();
}

// Owns the calling thread's queue; its destruction at thread end unregisters the queue.
class QueueHolder {
public:
  QueueHolder() : queue_(std::make_shared<ThreadQueue>(CurrentThreadId())) {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.threads[queue_->threadId] = queue_;
  }
  ~QueueHolder() {
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.mutex);
    queue_->alive = false;
    auto it = state.threads.find(queue_->threadId);
    if (it != state.threads.end() && it->second == queue_)
      state.threads.erase(it);
    for (auto w = state.windows.begin(); w != state.windows.end();) {
      if (w->second.owner == queue_)
        w = state.windows.erase(w);
      else
        ++w;
    }
    for (auto& sent : queue_->sent)
      CompleteLocked(*sent, false, 0);
    queue_->sent.clear();
    queue_->posted.clear();
    queue_->timers.clear();
  }
  const std::shared_ptr<ThreadQueue>& Queue() const { return queue_; }

private:
  std::shared_ptr<ThreadQueue> queue_;
};

const std::shared_ptr<ThreadQueue>& OwnQueue() {
  thread_local QueueHolder holder;
  return holder.Queue();
}

// The window's procedure when Window belongs to Queue; null otherwise. Caller holds the mutex.
const Window* OwnedWindowLocked(State& state, WindowHandle window, const ThreadQueue& queue) {
  auto it = state.windows.find(window);
  if (it == state.windows.end() || it->second.owner.get() != &queue)
    return nullptr;
  return &it->second;
}

intptr_t CallSwallowing(const Window& w, const Message& msg) {
  try {
    return w.proc(w.context, msg.hwnd, msg.message, msg.wParam, msg.lParam);
  } catch (...) {
    return 0;
  }
}

// Runs every message sent to the windows of Queue's thread. Called by that thread with Lock held;
// the lock is released around each window procedure.
void RunSentLocked(std::unique_lock<std::mutex>& lock, ThreadQueue& queue) {
  State& state = TheState();
  while (!queue.sent.empty()) {
    std::shared_ptr<SentMessage> sent = std::move(queue.sent.front());
    queue.sent.pop_front();
    const Window* w = OwnedWindowLocked(state, sent->msg.hwnd, queue);
    if (!w) {
      CompleteLocked(*sent, false, 0);
      continue;
    }
    const Window target = *w;
    lock.unlock();
    const intptr_t result = CallSwallowing(target, sent->msg);
    lock.lock();
    CompleteLocked(*sent, true, result);
  }
}

// The earliest due timer of Queue, or null.
WindowTimer* NextTimerLocked(ThreadQueue& queue) {
  WindowTimer* next = nullptr;
  for (auto& timer : queue.timers)
    if (!next || timer.due < next->due)
      next = &timer;
  return next;
}

bool HasMessageLocked(ThreadQueue& queue, Clock::time_point now) {
  if (!queue.posted.empty() || queue.quitPending)
    return true;
  WindowTimer* timer = NextTimerLocked(queue);
  return timer && timer->due <= now;
}

bool PostLocked(ThreadQueue& queue, const Message& msg) {
  if (!queue.alive)
    return false;
  queue.posted.push_back(msg);
  queue.wake.notify_all();
  return true;
}

// Queues a sent message for the owner of Window; null when the window does not exist.
std::shared_ptr<SentMessage> QueueSentLocked(State& state, WindowHandle window, uint32_t message,
                                             uintptr_t wParam, intptr_t lParam,
                                             std::shared_ptr<ThreadQueue> sender) {
  auto it = state.windows.find(window);
  if (it == state.windows.end() || !it->second.owner->alive)
    return nullptr;
  auto sent = std::make_shared<SentMessage>();
  sent->msg.hwnd = window;
  sent->msg.message = message;
  sent->msg.wParam = wParam;
  sent->msg.lParam = lParam;
  if (message == kCopyDataMessage && lParam) {
    const auto* record = reinterpret_cast<const CopyDataRecord*>(lParam);
    sent->copyRecord = *record;
    if (record->lpData && record->cbData)
      sent->copyBytes.assign(static_cast<const char*>(record->lpData), record->cbData);
    sent->copyRecord.lpData = sent->copyBytes.data();
    sent->msg.lParam = reinterpret_cast<intptr_t>(&sent->copyRecord);
  }
  sent->sender = std::move(sender);
  it->second.owner->sent.push_back(sent);
  it->second.owner->wake.notify_all();
  return sent;
}

// Calls a window of the calling thread directly; false when Window is not one of them.
bool CallOwnWindow(const Message& msg, intptr_t* result) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::unique_lock<std::mutex> lock(state.mutex);
  const Window* w = OwnedWindowLocked(state, msg.hwnd, *own);
  if (!w)
    return false;
  const Window target = *w;
  lock.unlock();
  const intptr_t r = CallSwallowing(target, msg);
  if (result)
    *result = r;
  return true;
}

uint32_t RecordLoaderThread() {
  return CurrentThreadId();
}

// Static initialisation runs on the thread that loads the library (dlopen or program start).
const uint32_t gLoaderThread = RecordLoaderThread();

} // namespace

uint32_t CurrentThreadId() {
  return static_cast<uint32_t>(::gettid());
}

bool IsLoaderThread() {
  return CurrentThreadId() == gLoaderThread;
}

void SleepMs(uint32_t ms) {
  if (ms == 0)
    ::sched_yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool PeekRemoveMessage(Message& msg) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::unique_lock<std::mutex> lock(state.mutex);
  RunSentLocked(lock, *own);
  if (!own->posted.empty()) {
    msg = own->posted.front();
    own->posted.pop_front();
    return true;
  }
  if (own->quitPending) {
    own->quitPending = false;
    msg = Message{};
    msg.message = kQuitMessage;
    msg.wParam = static_cast<uintptr_t>(static_cast<intptr_t>(own->quitCode));
    return true;
  }
  const Clock::time_point now = Clock::now();
  WindowTimer* timer = NextTimerLocked(*own);
  if (timer && timer->due <= now) {
    msg = Message{};
    msg.hwnd = timer->window;
    msg.message = kTimerMessage;
    msg.wParam = timer->id;
    timer->due = now + timer->interval;
    return true;
  }
  return false;
}

void TranslateWindowMessage(const Message&) {}

intptr_t DispatchWindowMessage(const Message& msg) {
  if (msg.hwnd == 0)
    return 0;
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::unique_lock<std::mutex> lock(state.mutex);
  const Window* w = OwnedWindowLocked(state, msg.hwnd, *own);
  if (!w)
    return 0;
  const Window target = *w;
  lock.unlock();
  return target.proc(target.context, msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool WaitForMessage(uint32_t ms) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  std::unique_lock<std::mutex> lock(state.mutex);
  for (;;) {
    RunSentLocked(lock, *own);
    const Clock::time_point now = Clock::now();
    if (HasMessageLocked(*own, now))
      return true;
    if (ms != kInfinite && now >= deadline)
      return false;
    Clock::time_point until = ms == kInfinite ? Clock::time_point::max() : deadline;
    if (WindowTimer* timer = NextTimerLocked(*own); timer && timer->due < until)
      until = timer->due;
    if (until == Clock::time_point::max())
      own->wake.wait(lock);
    else
      own->wake.wait_until(lock, until);
  }
}

void PostQuit(int32_t exitCode) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::lock_guard<std::mutex> lock(state.mutex);
  own->quitPending = true;
  own->quitCode = exitCode;
  own->wake.notify_all();
}

bool PostThreadMessageTo(uint32_t threadId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  State& state = TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto it = state.threads.find(threadId);
  if (it == state.threads.end())
    return false;
  Message msg;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  return PostLocked(*it->second, msg);
}

WindowHandle CreateMessageWindow(WindowProc proc, void* context) {
  if (!proc)
    return 0;
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::lock_guard<std::mutex> lock(state.mutex);
  const WindowHandle handle = state.nextWindow;
  state.nextWindow += 4;
  state.windows.emplace(handle, Window{proc, context, own});
  return handle;
}

bool DestroyMessageWindow(WindowHandle window) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::unique_lock<std::mutex> lock(state.mutex);
  const Window* w = OwnedWindowLocked(state, window, *own);
  if (!w)
    return false;
  const Window target = *w;
  lock.unlock();
  Message destroy;
  destroy.hwnd = window;
  destroy.message = kDestroyMessage;
  CallSwallowing(target, destroy);
  lock.lock();
  state.windows.erase(window);
  std::erase_if(own->timers, [window](const WindowTimer& t) { return t.window == window; });
  return true;
}

bool IsMessageWindow(WindowHandle window) {
  return WindowOwnerThread(window) != 0;
}

uint32_t WindowOwnerThread(WindowHandle window) {
  State& state = TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto it = state.windows.find(window);
  return it == state.windows.end() ? 0 : it->second.owner->threadId;
}

intptr_t DefaultWindowProc(WindowHandle, uint32_t, uintptr_t, intptr_t) {
  return 0;
}

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  State& state = TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto it = state.windows.find(window);
  if (it == state.windows.end())
    return false;
  Message msg;
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  return PostLocked(*it->second.owner, msg);
}

bool SendWindowMessageTimeout(WindowHandle window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam, uint32_t flags, uint32_t timeoutMs,
                              intptr_t* result) {
  Message direct;
  direct.hwnd = window;
  direct.message = message;
  direct.wParam = wParam;
  direct.lParam = lParam;
  if (CallOwnWindow(direct, result))
    return true;

  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(state.mutex);
  std::shared_ptr<SentMessage> sent = QueueSentLocked(state, window, message, wParam, lParam, own);
  if (!sent)
    return false;
  for (;;) {
    if (!(flags & kSendBlock))
      RunSentLocked(lock, *own);
    if (sent->done)
      break;
    if (own->wake.wait_until(lock, deadline) == std::cv_status::timeout && !sent->done) {
      sent->sender.reset(); // the answer, when it comes, goes nowhere
      return false;
    }
  }
  if (sent->delivered && result)
    *result = sent->result;
  return sent->delivered;
}

bool SendNotifyWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
  Message direct;
  direct.hwnd = window;
  direct.message = message;
  direct.wParam = wParam;
  direct.lParam = lParam;
  if (CallOwnWindow(direct, nullptr))
    return true;
  State& state = TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return QueueSentLocked(state, window, message, wParam, lParam, nullptr) != nullptr;
}

bool SetWindowTimer(WindowHandle window, uintptr_t id, uint32_t ms) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!OwnedWindowLocked(state, window, *own))
    return false;
  // The system raises intervals below its minimum of 10 ms to that minimum.
  const std::chrono::milliseconds interval(ms < 10 ? 10 : ms);
  const Clock::time_point due = Clock::now() + interval;
  for (auto& timer : own->timers) {
    if (timer.window == window && timer.id == id) {
      timer.interval = interval;
      timer.due = due;
      return true;
    }
  }
  own->timers.push_back(WindowTimer{window, id, interval, due});
  own->wake.notify_all();
  return true;
}

bool KillWindowTimer(WindowHandle window, uintptr_t id) {
  State& state = TheState();
  const std::shared_ptr<ThreadQueue>& own = OwnQueue();
  std::lock_guard<std::mutex> lock(state.mutex);
  return std::erase_if(own->timers, [window, id](const WindowTimer& t) {
           return t.window == window && t.id == id;
         }) > 0;
}

} // namespace platform
