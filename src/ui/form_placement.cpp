#include "ui/form_placement.h"

bool IsFormOffScreen(const platform::ControlRect& bounds) {
  platform::ControlRect desktop;
  if (!platform::VirtualDesktopRect(desktop))
    return false;
  const int32_t halfWidth = bounds.width / 2;
  const int32_t halfHeight = bounds.height / 2;
  const int32_t right = desktop.left + desktop.width;
  const int32_t bottom = desktop.top + desktop.height;
  return bounds.left + halfWidth > right || bounds.left + halfWidth < desktop.left ||
         bounds.top + halfHeight > bottom || bounds.top + 30 < desktop.top;
}

void CentreFormOver(TForm& form, uintptr_t window) {
  platform::ControlRect area;
  if (!(window && platform::WindowScreenRect(window, area)) &&
      !platform::MonitorNearCursorRect(area))
    return;
  form.CentreOver(area);
}
