// Where an options dialog appears: centred over the host's window or the monitor under the mouse,
// unless the position loaded from the settings is kept.
#pragma once

#include "ui/form.h"

/// True when the centre of Bounds lies outside the desktop of all monitors (for the top edge:
/// when fewer than 30 pixels of the caption bar would be reachable). A desktop that cannot be
/// read counts as no objection.
bool IsFormOffScreen(const platform::ControlRect& bounds);
/// Centres Form over Window's screen rectangle; without a window or its rectangle, over the
/// monitor nearest to the mouse cursor; when that is unknown too the form stays where it is.
void CentreFormOver(TForm& form, uintptr_t window);
