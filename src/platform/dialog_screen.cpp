// The seam in front of the screen queries that place dialogs.
#include "platform/dialog_window.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<bool (*)(ControlRect&)> gDesktop{nullptr};
std::atomic<bool (*)(uintptr_t, ControlRect&)> gWindow{nullptr};
std::atomic<bool (*)(ControlRect&)> gMonitor{nullptr};

} // namespace

ScreenCalls SetScreenCalls(const ScreenCalls& calls) noexcept {
  ScreenCalls before{gDesktop.exchange(calls.virtualDesktop), gWindow.exchange(calls.windowRect),
                     gMonitor.exchange(calls.monitorNearCursor)};
  return before;
}

bool VirtualDesktopRect(ControlRect& rect) {
  auto call = gDesktop.load();
  return call ? call(rect) : SystemVirtualDesktopRect(rect);
}

bool WindowScreenRect(uintptr_t window, ControlRect& rect) {
  auto call = gWindow.load();
  return call ? call(window, rect) : SystemWindowScreenRect(window, rect);
}

bool MonitorNearCursorRect(ControlRect& rect) {
  auto call = gMonitor.load();
  return call ? call(rect) : SystemMonitorNearCursorRect(rect);
}

} // namespace platform
