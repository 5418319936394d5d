// The layout check of the dialog tests: every visible text fits its control and every control
// lies inside its container, read from the real controls. Windows only.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>

/// The text of a window.
std::wstring TextOf(HWND h);
/// Empty when the text of H fits and H lies inside its container, else one line per fault: a
/// label's text must fit at its width, a check box's text beside its box (20 pixels in), a group
/// box's title and a button's caption on one line with room at both ends.
std::string Misfit(HWND h);

#endif
