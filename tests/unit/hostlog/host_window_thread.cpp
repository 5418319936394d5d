#include "host_window_thread.h"

#include <algorithm>

HostWindowThread::HostWindowThread(Mode mode) : mode_(mode) {
  thread_ = std::thread([this] { Run(); });
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return ready_; });
}

HostWindowThread::~HostWindowThread() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

intptr_t HostWindowThread::Proc(void* context, platform::WindowHandle window, uint32_t message,
                                uintptr_t wParam, intptr_t lParam) {
  auto* self = static_cast<HostWindowThread*>(context);
  if (message == platform::kDestroyMessage)
    return platform::DefaultWindowProc(window, message, wParam, lParam);
  ReceivedMessage m;
  m.Message = message;
  m.WParam = wParam;
  m.LParam = lParam;
  if (message == platform::kCopyDataMessage) {
    const auto* record = reinterpret_cast<const platform::CopyDataRecord*>(lParam);
    m.DwData = record->dwData;
    m.Bytes.assign(static_cast<const char*>(record->lpData), record->cbData);
  }
  {
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->received_.push_back(std::move(m));
  }
  self->changed_.notify_all();
  return message == platform::kCopyDataMessage ? 1 : 0;
}

void HostWindowThread::Run() {
  // A hung host's window never runs its procedure: a send that timed out may still be delivered
  // to it, after its sender has released the copy-data record.
  const platform::WindowProc proc =
      mode_ == Pumping ? &Proc
                       : [](void*, platform::WindowHandle w, uint32_t msg, uintptr_t wp,
                            intptr_t lp) { return platform::DefaultWindowProc(w, msg, wp, lp); };
  const platform::WindowHandle window = platform::CreateMessageWindow(proc, this);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = window;
    ready_ = true;
  }
  changed_.notify_all();
  if (mode_ == Hung) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stop_; });
  } else {
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_)
          break;
      }
      platform::WaitForMessage(20);
      platform::Message msg;
      while (platform::PeekRemoveMessage(msg)) {
        platform::TranslateWindowMessage(msg);
        platform::DispatchWindowMessage(msg);
      }
    }
  }
  platform::DestroyMessageWindow(window);
}

std::vector<ReceivedMessage> HostWindowThread::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

std::vector<ReceivedMessage> HostWindowThread::CopyData() {
  std::vector<ReceivedMessage> all = Received();
  std::erase_if(all,
                [](const ReceivedMessage& m) { return m.Message != platform::kCopyDataMessage; });
  return all;
}

bool HostWindowThread::WaitFor(uint32_t message, std::size_t count,
                               std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, limit, [&] {
    return static_cast<std::size_t>(
               std::count_if(received_.begin(), received_.end(), [&](const ReceivedMessage& m) {
                 return m.Message == message;
               })) >= count;
  });
}
