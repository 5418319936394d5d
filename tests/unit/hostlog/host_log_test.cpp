#include "frame/descriptor_exports.h"
#include "frame/host_log.h"
#include "frame/instances.h"
#include "platform/debug_output.h"
#include "platform/host_window.h"
#include "support/call_stack.h"

#include "host_window_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kHandle = 31;
constexpr uint32_t kModuleIndex = 7;
constexpr uintptr_t kFakeWindow = 0x5150;

class LogPlugin : public TzetPlugin {
public:
  static const TzetPluginClass& ClassRef() {
    static const TzetPluginClass ref{"LogPlugin", []() -> TzetPlugin* { return new LogPlugin(); }};
    return ref;
  }

protected:
  void LoadDesignTimeValues() override { LogTitle = "Aggregation"; }
};

TPluginCallRec Rec(uint32_t handle) {
  TPluginCallRec r{};
  r.RecordTag = ZET_RECORD_TAG;
  r.ModuleHandle = handle;
  return r;
}

struct Fetched {
  int32_t Result = 0;
  uintptr_t OutputData = 0;
  uint8_t OutputKind = 0;
  std::string Text;
};

/// GetLogEx with a buffer of Size bytes (none when Buffer is false).
Fetched FetchLog(uint32_t handle, int32_t size, bool buffer = true) {
  std::vector<char> bytes(std::max(size, 0) + 1, '#');
  TPluginCallRec r = Rec(handle);
  r.Input.Size = size;
  r.Input.Data = buffer ? reinterpret_cast<uintptr_t>(bytes.data()) : 0;
  r.Output.Data = 0xDEAD;
  Fetched f;
  f.Result = frame::GetLogEx(&r);
  f.OutputData = r.Output.Data;
  f.OutputKind = r.Output.Kind;
  if (f.Result > 0)
    f.Text.assign(bytes.data(), f.Result);
  if (buffer && size >= 0 && f.Result >= 0) {
    EXPECT_EQ(bytes[f.Result], '#') << "no byte beyond the text is written";
  }
  return f;
}

std::string FetchAll(uint32_t handle = kHandle) {
  return FetchLog(handle, 1 << 17).Text;
}

// --- host window calls replaced by the tests ----------------------------------------------------

struct HostCall {
  bool Posted = false;
  uintptr_t Window = 0;
  uint32_t Message = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  uint32_t TimeoutMs = 0;
  uintptr_t DwData = 0; // copy-data sends
  std::string Bytes;
  bool Succeeded = false;
};

namespace fake {
std::mutex mutex;
std::vector<HostCall> calls;
std::atomic<bool> failSends{false};
std::atomic<bool> failPosts{false};
std::atomic<bool> alternate{false}; // every second send fails
std::atomic<unsigned> sendCount{0};
void (*duringSend)() = nullptr; // runs inside a send, like another thread's logging would
bool forwardToSystem = false;   // watch only: the system makes the calls

bool Send(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
          uint32_t timeoutMs) {
  HostCall c;
  c.Window = window;
  c.Message = message;
  c.WParam = wParam;
  c.LParam = lParam;
  c.TimeoutMs = timeoutMs;
  if (message == platform::kCopyDataMessage) {
    const auto* record = reinterpret_cast<const platform::CopyDataRecord*>(lParam);
    c.DwData = record->dwData;
    c.Bytes.assign(static_cast<const char*>(record->lpData), record->cbData);
  }
  if (duringSend)
    duringSend();
  if (forwardToSystem)
    c.Succeeded =
        platform::SystemHostWindowCalls().SendTimeout(window, message, wParam, lParam, timeoutMs);
  else if (alternate)
    c.Succeeded = sendCount++ % 2 == 0;
  else
    c.Succeeded = !failSends;
  std::lock_guard<std::mutex> lock(mutex);
  calls.push_back(c);
  return c.Succeeded;
}

bool Post(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  HostCall c;
  c.Posted = true;
  c.Window = window;
  c.Message = message;
  c.WParam = wParam;
  c.LParam = lParam;
  c.Succeeded = forwardToSystem
                    ? platform::SystemHostWindowCalls().Post(window, message, wParam, lParam)
                    : !failPosts;
  std::lock_guard<std::mutex> lock(mutex);
  calls.push_back(c);
  return c.Succeeded;
}

std::vector<HostCall> Calls() {
  std::lock_guard<std::mutex> lock(mutex);
  return calls;
}

void Install(bool forward) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
  }
  failSends = failPosts = alternate = false;
  sendCount = 0;
  duringSend = nullptr;
  forwardToSystem = forward;
  platform::SetHostWindowCalls({&Send, &Post});
}
} // namespace fake

std::vector<std::string> gDebugOutput;
void RecordDebugOutput(std::string_view text) {
  gDebugOutput.emplace_back(text);
}

std::string gStackText;
std::string InjectedStack() {
  return gStackText;
}

class HostLog : public ::testing::Test {
protected:
  void SetUp() override {
    frame::LibraryStart();
    frame::SetPluginClass(LogPlugin::ClassRef());
    TPluginCallRec r = Rec(kHandle);
    ASSERT_TRUE(frame::FindInstance(&r, instance_, true));
    instance_->ModuleIndex = kModuleIndex;
    gDebugOutput.clear();
    platform::SetDebugOutputHook(&RecordDebugOutput);
    gStackText = "frame-a\r\nframe-b";
    support::SetStackTextSource(&InjectedStack);
  }
  void TearDown() override {
    platform::SetHostWindowCalls({nullptr, nullptr});
    platform::SetDebugOutputHook(nullptr);
    support::SetStackTextSource(nullptr);
    frame::LibraryEnd();
  }

  TzetPlugin* instance_ = nullptr;
};

std::string Line(char code, const std::string& message) {
  return std::string(1, code) + "Aggregation. " + message;
}

TEST_F(HostLog, LineFormat) {
  EXPECT_EQ(frame::FormatLine(instance_, frame::llSuccess, "Data have been processed successfully"),
            "\x03"
            "Aggregation. Data have been processed successfully");
  EXPECT_EQ(frame::FormatLine(instance_, frame::llFailure, "one\r\ntwo\rthree\nfour"),
            "\x01"
            "Aggregation. one  two three four");
  instance_->LogTitle = "";
  EXPECT_EQ(frame::FormatLine(instance_, frame::llError, "no data"), "\x02no data");
  EXPECT_EQ(frame::FormatLine(nullptr, frame::llError, ""), "\x02");
}

TEST_F(HostLog, GetLogExBufferProtocol) {
  fake::Install(false);
  instance_->MessagesProcessorHandle = kFakeWindow;
  for (int i = 0; i < 3; ++i)
    frame::QueueLogLine(instance_, frame::llFailure, "again");
  const std::string text = Line('\x01', "again x3") + "\r\n";

  // One byte too small: nothing copied, the needed size reported, the lines stay.
  Fetched small = FetchLog(kHandle, static_cast<int32_t>(text.size()) - 1);
  EXPECT_EQ(small.Result, 0);
  EXPECT_EQ(small.OutputKind, ZET_KIND_INTEGER);
  EXPECT_EQ(small.OutputData, text.size());
  // No buffer at all behaves the same instead of writing through a null pointer.
  EXPECT_EQ(FetchLog(kHandle, 100, false).Result, 0);

  // Large enough: the folded line once, the list empty afterwards.
  Fetched big = FetchLog(kHandle, static_cast<int32_t>(text.size()));
  EXPECT_EQ(big.Result, static_cast<int32_t>(text.size()));
  EXPECT_EQ(big.OutputData, text.size());
  EXPECT_EQ(big.Text, text);
  Fetched empty = FetchLog(kHandle, 100);
  EXPECT_EQ(empty.Result, 0);
  EXPECT_EQ(empty.OutputData, 0u);
  EXPECT_EQ(empty.OutputKind, ZET_KIND_INTEGER);

  // Size 0: the host discards the kept lines.
  frame::QueueLogLine(instance_, frame::llError, "dropped");
  Fetched discard = FetchLog(kHandle, 0);
  EXPECT_EQ(discard.Result, 0);
  EXPECT_EQ(discard.OutputData, Line('\x02', "dropped").size() + 2);
  EXPECT_EQ(FetchLog(kHandle, 100).OutputData, 0u);
}

TEST_F(HostLog, GetLogExWithoutInstanceCreatesNothing) {
  Fetched none = FetchLog(99, 100);
  EXPECT_EQ(none.Result, 0);
  EXPECT_EQ(none.OutputData, 0u);
  EXPECT_EQ(none.OutputKind, ZET_KIND_INTEGER);
  TPluginCallRec r = Rec(99);
  TzetPlugin* p = nullptr;
  EXPECT_FALSE(frame::FindInstance(&r, p, false));
  EXPECT_EQ(frame::GetLogEx(nullptr), 0);
}

TEST_F(HostLog, NothingIsSentOrKeptWithoutMessageWindow) {
  fake::Install(false);
  instance_->MessagesProcessorHandle = 0;
  frame::PostLogLine(instance_, frame::llSuccess, "lost");
  frame::QueueLogLine(instance_, frame::llFailure, "lost");
  frame::LogException(instance_, "LOAD", std::runtime_error("boom"));
  EXPECT_TRUE(fake::Calls().empty());
  EXPECT_EQ(FetchLog(kHandle, 100).OutputData, 0u);
  // The debugger still hears of the failure.
  ASSERT_EQ(gDebugOutput.size(), 1u);
  EXPECT_EQ(gDebugOutput[0], "{LOAD} boom: frame-a\r\nframe-b");
}

TEST_F(HostLog, ResponsiveHostGetsKeptLinesFirstThenTheLine) {
  HostWindowThread host(HostWindowThread::Pumping);
  ASSERT_NE(host.Window(), 0u);
  instance_->MessagesProcessorHandle = host.Window();

  frame::PostLogLine(instance_, frame::llSuccess, "Data have been processed successfully");
  std::vector<ReceivedMessage> got = host.CopyData();
  ASSERT_EQ(got.size(), 1u); // the send returned, so the host has handled it
  EXPECT_EQ(got[0].WParam, kModuleIndex);
  EXPECT_EQ(got[0].DwData, static_cast<uintptr_t>(ZET_COPYDATA_LOG_LINE));
  EXPECT_EQ(got[0].Bytes, Line('\x03', "Data have been processed successfully"));

  frame::QueueLogLine(instance_, frame::llFailure, "earlier");
  frame::QueueLogLine(instance_, frame::llFailure, "earlier");
  ASSERT_TRUE(host.WaitFor(ZET_WM_HOST_LOG_PENDING, 2));
  frame::PostLogLine(instance_, frame::llError, "now");
  got = host.CopyData();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1].DwData, static_cast<uintptr_t>(ZET_COPYDATA_LOG_BLOCK));
  EXPECT_EQ(got[1].WParam, kModuleIndex);
  EXPECT_EQ(got[1].Bytes, Line('\x01', "earlier x2") + "\r\n");
  EXPECT_EQ(got[2].DwData, static_cast<uintptr_t>(ZET_COPYDATA_LOG_LINE));
  EXPECT_EQ(got[2].Bytes, Line('\x02', "now"));
  EXPECT_EQ(FetchLog(kHandle, 100).OutputData, 0u);

  for (const ReceivedMessage& m : host.Received())
    if (m.Message == ZET_WM_HOST_LOG_PENDING) {
      EXPECT_EQ(m.WParam, kModuleIndex);
      EXPECT_EQ(m.LParam, 0);
    }
}

TEST_F(HostLog, HungHostCostsOneTimeOutPerLineAndTheLinesWait) {
  fake::Install(true); // the system makes the calls; the test only watches them
  HostWindowThread host(HostWindowThread::Hung);
  ASSERT_NE(host.Window(), 0u);
  instance_->MessagesProcessorHandle = host.Window();

  Clock::time_point start = Clock::now();
  frame::PostLogLine(instance_, frame::llSuccess, "first");
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 5s);

  // With a line waiting, only the block is tried; the new line joins it.
  start = Clock::now();
  frame::PostLogLine(instance_, frame::llSuccess, "second");
  waited = Clock::now() - start;
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 5s);

  std::vector<HostCall> calls = fake::Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_FALSE(calls[0].Posted);
  EXPECT_EQ(calls[0].DwData, static_cast<uintptr_t>(ZET_COPYDATA_LOG_LINE));
  EXPECT_EQ(calls[0].TimeoutMs, 1000u);
  EXPECT_FALSE(calls[0].Succeeded);
  EXPECT_TRUE(calls[1].Posted);
  EXPECT_EQ(calls[1].Message, static_cast<uint32_t>(ZET_WM_HOST_LOG_PENDING));
  EXPECT_EQ(calls[1].WParam, kModuleIndex);
  EXPECT_EQ(calls[1].LParam, 0);
  EXPECT_TRUE(calls[1].Succeeded);
  EXPECT_EQ(calls[2].DwData, static_cast<uintptr_t>(ZET_COPYDATA_LOG_BLOCK));
  EXPECT_EQ(calls[2].Bytes, Line('\x03', "first") + "\r\n");
  EXPECT_TRUE(calls[3].Posted);

  EXPECT_EQ(FetchAll(), Line('\x03', "first") + "\r\n" + Line('\x03', "second") + "\r\n");
}

TEST_F(HostLog, VanishedHostWindowFailsAtOnceAndTheLineWaits) {
  platform::WindowHandle gone = 0;
  {
    HostWindowThread host(HostWindowThread::Pumping);
    gone = host.Window();
  }
  instance_->MessagesProcessorHandle = gone;
  const Clock::time_point start = Clock::now();
  frame::PostLogLine(instance_, frame::llError, "nobody listens");
  EXPECT_LT(Clock::now() - start, 900ms);
  EXPECT_EQ(FetchAll(), Line('\x02', "nobody listens") + "\r\n");
}

TzetPlugin* gMeanwhileInstance = nullptr;
void LogMeanwhile() {
  fake::duringSend = nullptr; // once
  frame::QueueLogLine(gMeanwhileInstance, frame::llError, "meanwhile");
}

TEST_F(HostLog, FailedSendsKeepEveryLineInOrder) {
  fake::Install(false);
  instance_->MessagesProcessorHandle = kFakeWindow;
  fake::failSends = true;
  frame::PostLogLine(instance_, frame::llSuccess, "one");
  std::vector<HostCall> calls = fake::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Bytes, Line('\x03', "one"));
  EXPECT_EQ(calls[1].Message, static_cast<uint32_t>(ZET_WM_HOST_LOG_PENDING));

  // A line logged by another thread while the block is on its way stays after the block.
  gMeanwhileInstance = instance_;
  fake::duringSend = &LogMeanwhile;
  frame::PostLogLine(instance_, frame::llSuccess, "two");
  EXPECT_EQ(FetchAll(), Line('\x03', "one") + "\r\n" + Line('\x02', "meanwhile") + "\r\n" +
                            Line('\x03', "two") + "\r\n");
}

TEST_F(HostLog, NoticeFallsBackToATimedSendWhenPostingFails) {
  fake::Install(false);
  instance_->MessagesProcessorHandle = kFakeWindow;
  fake::failPosts = true;
  frame::QueueLogLine(instance_, frame::llFailure, "x");
  std::vector<HostCall> calls = fake::Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(calls[0].Posted);
  EXPECT_FALSE(calls[1].Posted);
  EXPECT_EQ(calls[1].Window, kFakeWindow);
  EXPECT_EQ(calls[1].Message, static_cast<uint32_t>(ZET_WM_HOST_LOG_PENDING));
  EXPECT_EQ(calls[1].WParam, kModuleIndex);
  EXPECT_EQ(calls[1].LParam, 0);
  EXPECT_EQ(calls[1].TimeoutMs, 1000u);

  // Both failing changes nothing for the caller; the line is kept.
  fake::failSends = true;
  frame::QueueLogLine(instance_, frame::llFailure, "y");
  EXPECT_EQ(FetchAll(), Line('\x01', "x") + "\r\n" + Line('\x01', "y") + "\r\n");
}

TEST_F(HostLog, FailureReports) {
  fake::Install(false);
  instance_->MessagesProcessorHandle = kFakeWindow;
  frame::LogException(instance_, "PROCESS", std::runtime_error("list\r\nbroken"));
  frame::LogException(instance_, "", std::runtime_error("plain"));
  try {
    throw 5;
  } catch (...) {
    frame::LogException(instance_, "CMD?");
  }
  try {
    throw std::logic_error("known");
  } catch (...) {
    frame::LogException(instance_, "EVENT");
  }
  frame::LogException(nullptr, "TRANSL", std::runtime_error("no instance"));
  EXPECT_EQ(FetchAll(), Line('\x01', "{PROCESS} list  broken") + "\r\n" + Line('\x01', "plain") +
                            "\r\n" + Line('\x01', "{CMD?} Unknown failure") + "\r\n" +
                            Line('\x01', "{EVENT} known") + "\r\n");
  ASSERT_EQ(gDebugOutput.size(), 5u);
  EXPECT_EQ(gDebugOutput[0], "{PROCESS} list\r\nbroken: frame-a\r\nframe-b");
  EXPECT_EQ(gDebugOutput[4], "{TRANSL} no instance: frame-a\r\nframe-b");

  gStackText.clear();
  frame::LogException(nullptr, "X", std::runtime_error("y"));
  EXPECT_EQ(gDebugOutput.back(), "{X} y: ");
}

TEST_F(HostLog, CallStackBecomesOneFailureLine) {
  fake::Install(false);
  instance_->MessagesProcessorHandle = kFakeWindow;
  frame::QueueCallStack(instance_);
  EXPECT_EQ(FetchAll(), Line('\x01', "frame-a  frame-b") + "\r\n");
  gStackText.clear();
  frame::QueueCallStack(instance_);
  EXPECT_EQ(FetchLog(kHandle, 100).OutputData, 0u);
}

TEST_F(HostLog, ConcurrentLoggersLoseAndRepeatNoLine) {
  fake::Install(false);
  fake::alternate = true;
  instance_->MessagesProcessorHandle = kFakeWindow;
  constexpr int kThreads = 4;
  constexpr int kLines = 100;
  std::atomic<bool> done{false};
  std::mutex fetchedMutex;
  std::string fetched;
  std::thread host([&] {
    while (!done) {
      std::string text = FetchAll();
      std::lock_guard<std::mutex> lock(fetchedMutex);
      fetched += text;
    }
  });
  std::vector<std::thread> loggers;
  for (int t = 0; t < kThreads; ++t)
    loggers.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i)
        frame::PostLogLine(instance_, frame::llSuccess,
                           "t" + std::to_string(t) + " " + std::to_string(i));
    });
  for (auto& t : loggers)
    t.join();
  done = true;
  host.join();
  fetched += FetchAll();

  std::map<std::string, int> seen;
  auto count = [&](const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find("\r\n", pos);
      if (end == std::string::npos)
        end = text.size();
      ++seen[text.substr(pos, end - pos)];
      pos = end + 2;
    }
  };
  for (const HostCall& c : fake::Calls())
    if (c.Succeeded && c.Message == platform::kCopyDataMessage)
      count(c.Bytes);
  count(fetched);
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
  for (const auto& [line, n] : seen)
    EXPECT_EQ(n, 1) << line;
}

} // namespace
