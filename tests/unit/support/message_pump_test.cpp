#include "platform/message_pump.h"
#include "support/message_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::Message;
using platform::WindowHandle;

constexpr uint32_t kNote = platform::kUserMessage + 1;
constexpr uint32_t kThrow = platform::kUserMessage + 2;
constexpr uint32_t kStop = platform::kUserMessage + 3;

// A message window whose procedure records what reaches it and in which thread.
class RecordingWindow {
public:
  struct Seen {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t thread;
  };

  RecordingWindow() : handle_(platform::CreateMessageWindow(&Proc, this)) {}
  ~RecordingWindow() { Destroy(); }
  /// Destroys the window (in its owner thread); what it recorded stays readable.
  void Destroy() {
    if (handle_)
      platform::DestroyMessageWindow(handle_);
    handle_ = 0;
  }
  WindowHandle Handle() const { return handle_; }
  std::vector<Seen> SeenMessages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }
  size_t Count(uint32_t message) {
    size_t n = 0;
    for (const Seen& s : SeenMessages())
      n += s.message == message;
    return n;
  }
  /// Called inside the procedure for kNote, in the owner thread.
  std::function<intptr_t(uintptr_t)> onNote;

private:
  static intptr_t Proc(void* context, WindowHandle window, uint32_t message, uintptr_t w,
                       intptr_t l) {
    auto* self = static_cast<RecordingWindow*>(context);
    if (message < platform::kUserMessage && message != platform::kTimerMessage)
      return platform::DefaultWindowProc(window, message, w, l);
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->seen_.push_back({message, w, l, platform::CurrentThreadId()});
    }
    if (message == kThrow)
      throw std::runtime_error("window procedure failed");
    if (message == kNote && self->onNote)
      return self->onNote(w);
    return static_cast<intptr_t>(w) * 2;
  }

  WindowHandle handle_;
  std::mutex mutex_;
  std::vector<Seen> seen_;
};

void DrainQueue() {
  Message msg;
  while (platform::PeekRemoveMessage(msg)) {
  }
}

// A thread that owns a recording window and pumps its queue until told to stop (or, with
// Pumping false, does not look at its queue until released).
class WindowThread {
public:
  explicit WindowThread(bool pumping = true) : pumping_(pumping) {
    std::future<WindowHandle> handle = created_.get_future();
    thread_ = std::thread([this] {
      window_ = std::make_unique<RecordingWindow>();
      threadId_ = platform::CurrentThreadId();
      created_.set_value(window_->Handle());
      if (pumping_) {
        for (;;) {
          platform::WaitForMessage(platform::kInfinite);
          Message msg;
          bool stop = false;
          while (support::PumpOne(msg))
            stop = stop || (msg.message == kStop && msg.hwnd == 0);
          if (stop)
            break;
        }
      } else {
        released_.get_future().wait();
      }
      window_->Destroy();
    });
    handle_ = handle.get();
  }
  ~WindowThread() { Stop(); }
  void Stop() {
    if (!thread_.joinable())
      return;
    if (pumping_)
      platform::PostThreadMessageTo(threadId_, kStop, 0, 0);
    else
      released_.set_value();
    thread_.join();
  }
  WindowHandle Handle() const { return handle_; }
  uint32_t ThreadId() const { return threadId_; }
  RecordingWindow& Window() { return *window_; }

private:
  bool pumping_;
  std::thread thread_;
  std::unique_ptr<RecordingWindow> window_;
  std::atomic<uint32_t> threadId_{0};
  WindowHandle handle_ = 0;
  std::promise<WindowHandle> created_;
  std::promise<void> released_;
};

class MessagePumpTest : public ::testing::Test {
protected:
  void SetUp() override { DrainQueue(); }
  void TearDown() override { DrainQueue(); }
};

TEST_F(MessagePumpTest, PumpOneDispatchesWindowMessagesAndDropsThreadMessages) {
  RecordingWindow window;
  ASSERT_NE(window.Handle(), 0u);
  Message msg;
  EXPECT_FALSE(support::PumpOne(msg));

  ASSERT_TRUE(platform::PostWindowMessage(window.Handle(), kNote, 21, -4));
  ASSERT_TRUE(platform::PostThreadMessageTo(platform::CurrentThreadId(), kNote, 99, 0));
  EXPECT_TRUE(support::PumpOne(msg));
  EXPECT_EQ(msg.hwnd, window.Handle());
  EXPECT_TRUE(support::PumpOne(msg));
  EXPECT_EQ(msg.hwnd, 0u);
  EXPECT_FALSE(support::PumpOne(msg));

  const auto seen = window.SeenMessages();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, kNote);
  EXPECT_EQ(seen[0].wParam, 21u);
  EXPECT_EQ(seen[0].lParam, -4);
  EXPECT_EQ(seen[0].thread, platform::CurrentThreadId());
}

TEST_F(MessagePumpTest, ExceptionFromWindowProcedureIsSwallowed) {
  RecordingWindow window;
  ASSERT_TRUE(platform::PostWindowMessage(window.Handle(), kThrow, 0, 0));
  ASSERT_TRUE(platform::PostWindowMessage(window.Handle(), kNote, 1, 0));
  Message msg;
  EXPECT_TRUE(support::PumpOne(msg));
  EXPECT_TRUE(support::PumpOne(msg));
  EXPECT_EQ(window.Count(kThrow), 1u);
  EXPECT_EQ(window.Count(kNote), 1u);

  // Below the pump the exception does come out of the dispatch, across the system's frames.
  ASSERT_TRUE(platform::PostWindowMessage(window.Handle(), kThrow, 0, 0));
  ASSERT_TRUE(platform::PeekRemoveMessage(msg));
  EXPECT_THROW(platform::DispatchWindowMessage(msg), std::runtime_error);
}

TEST_F(MessagePumpTest, QuitMessageIsPutBackForTheThreadsOwnLoop) {
  RecordingWindow window;
  platform::PostQuit(7);
  ASSERT_TRUE(platform::PostWindowMessage(window.Handle(), kNote, 1, 0));
  Message msg;
  EXPECT_TRUE(support::PumpOne(msg)); // posted messages come before the quit message
  EXPECT_FALSE(support::PumpOne(msg));
  EXPECT_EQ(msg.message, platform::kQuitMessage);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(support::ProcessMessages(0), 0u); // still there, so the pump stops at once

  Message outer;
  ASSERT_TRUE(platform::PeekRemoveMessage(outer));
  EXPECT_EQ(outer.message, platform::kQuitMessage);
  EXPECT_EQ(outer.wParam, 7u);
  EXPECT_FALSE(platform::PeekRemoveMessage(outer));
}

TEST_F(MessagePumpTest, ProcessMessagesStopsAtMaxCount) {
  RecordingWindow window;
  for (uintptr_t i = 0; i < 20; ++i)
    ASSERT_TRUE(platform::PostWindowMessage(window.Handle(), kNote, i, 0));
  EXPECT_EQ(support::ProcessMessages(5), 5u);
  EXPECT_EQ(window.Count(kNote), 5u);
  EXPECT_EQ(support::ProcessMessages(0), 15u);
  const auto seen = window.SeenMessages();
  ASSERT_EQ(seen.size(), 20u);
  for (uintptr_t i = 0; i < 20; ++i)
    EXPECT_EQ(seen[i].wParam, i);
}

TEST_F(MessagePumpTest, PostedMessageRunsInTheOwnerThread) {
  WindowThread owner;
  EXPECT_EQ(platform::WindowOwnerThread(owner.Handle()), owner.ThreadId());
  ASSERT_TRUE(platform::PostWindowMessage(owner.Handle(), kNote, 5, 0));
  Message msg;
  EXPECT_FALSE(platform::PeekRemoveMessage(msg)); // not in the poster's queue
  owner.Stop();
  const auto seen = owner.Window().SeenMessages();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].thread, owner.ThreadId());
}

TEST_F(MessagePumpTest, SendWaitsForTheOwnerThreadsAnswer) {
  WindowThread owner;
  intptr_t result = 0;
  ASSERT_TRUE(platform::SendWindowMessageTimeout(owner.Handle(), kNote, 21, 0,
                                                 platform::kSendAbortIfHung, 5000, &result));
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(platform::SendNotifyWindowMessage(owner.Handle(), kNote, 3, 0));

  // A window of the calling thread is called directly.
  RecordingWindow own;
  ASSERT_TRUE(platform::SendWindowMessageTimeout(own.Handle(), kNote, 4, 0, platform::kSendNormal,
                                                 0, &result));
  EXPECT_EQ(result, 8);
  owner.Stop();
  EXPECT_EQ(owner.Window().Count(kNote), 2u);
}

TEST_F(MessagePumpTest, SenderRunsMessagesSentBackWhileItWaits) {
  RecordingWindow own;
  WindowThread owner;
  owner.Window().onNote = [&own](uintptr_t w) {
    intptr_t back = 0;
    platform::SendWindowMessageTimeout(own.Handle(), kNote, w + 1, 0, platform::kSendNormal, 5000,
                                       &back);
    return back;
  };
  intptr_t result = 0;
  ASSERT_TRUE(platform::SendWindowMessageTimeout(owner.Handle(), kNote, 10, 0,
                                                 platform::kSendNormal, 5000, &result));
  EXPECT_EQ(result, 22);
  const auto seen = own.SeenMessages();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].thread, platform::CurrentThreadId());
}

TEST_F(MessagePumpTest, SendFailsWhenTheOwnerDoesNotAnswerOrIsGone) {
  WindowThread idle(false);
  const auto started = std::chrono::steady_clock::now();
  intptr_t result = 123;
  EXPECT_FALSE(platform::SendWindowMessageTimeout(idle.Handle(), kNote, 1, 0, platform::kSendNormal,
                                                  100, &result));
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, 90ms);
  EXPECT_LT(waited, 3s);
  EXPECT_EQ(result, 123);

  const WindowHandle gone = idle.Handle();
  idle.Stop();
  EXPECT_FALSE(platform::IsMessageWindow(gone));
  EXPECT_FALSE(
      platform::SendWindowMessageTimeout(gone, kNote, 1, 0, platform::kSendNormal, 100, &result));
  EXPECT_FALSE(platform::PostWindowMessage(gone, kNote, 1, 0));
}

TEST_F(MessagePumpTest, WindowTimerDeliversTimerMessages) {
  RecordingWindow window;
  ASSERT_TRUE(platform::SetWindowTimer(window.Handle(), 1, 10));
  const auto until = std::chrono::steady_clock::now() + 5s;
  while (window.Count(platform::kTimerMessage) < 2 && std::chrono::steady_clock::now() < until) {
    platform::WaitForMessage(100);
    support::ProcessMessages(0);
  }
  ASSERT_GE(window.Count(platform::kTimerMessage), 2u);
  EXPECT_EQ(window.SeenMessages().front().wParam, 1u);
  EXPECT_TRUE(platform::KillWindowTimer(window.Handle(), 1));
  EXPECT_FALSE(platform::KillWindowTimer(window.Handle(), 1));
}

} // namespace
