#pragma once
// The Windows headers, for platform and widget-set sources only; include it last.
//
// The Windows headers define macros with the names of some of the core's own
// constants (INFINITE, MB_ICONERROR, the joystick result codes) and rename
// MessageBox. The core headers that use those names are therefore read first,
// and MessageBox is given back its plain name for the core's method.

#include "engine/Platform.h"
#include "engine/ThdTimer.h"

#include <windows.h>

#include <mmsystem.h>
#include <shellapi.h>

#undef MessageBox
