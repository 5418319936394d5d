// The host's message window: a message-only window on a thread of its own with its own message
// loop, as a real host runs it. The module sends its log lines there (WM_COPYDATA) and posts its
// notices (log lines waiting, reload settings). The handlers run on the window's thread.
//
// Windows only: a native build of the library talks to windows of its own process table, which a
// host cannot reach, so there Supported() is false and Handle() is 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace hostkit {

class MessageWindow {
public:
  /// One WM_COPYDATA: the message's wParam, the record's dwData and its bytes.
  using CopyDataHandler = std::function<void(uintptr_t wParam, uintptr_t dwData, std::string)>;
  /// Any other message at or above WM_USER: its number and wParam.
  using NoticeHandler = std::function<void(uint32_t message, uintptr_t wParam)>;

  static bool Supported();

  MessageWindow(CopyDataHandler onCopyData, NoticeHandler onNotice);
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  ~MessageWindow();

  /// The window handle as a number, 0 when there is no window.
  uintptr_t Handle() const { return handle_; }

private:
  struct Procedure; // the window procedure, defined with the system's types

  CopyDataHandler onCopyData_;
  NoticeHandler onNotice_;
  std::thread thread_;
  uintptr_t handle_ = 0;
};

} // namespace hostkit
