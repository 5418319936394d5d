// The one gate to <windows.h>. Every Windows source of the platform layer includes this header
// instead of <windows.h>, so that the target version and the macros that trim the headers are the
// same everywhere.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
#include <oleauto.h>
