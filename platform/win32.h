// The program's one door to the operating system.
//
// On Windows this is the SDK and nothing else. Everywhere else it is our own small Win32,
// which stands in for the system so the same sources build and run under test.
#pragma once

#ifdef _WIN32

#include "platform/windows_sdk.h"

#ifdef SERVIKA_VIRTUAL_UNIT_BUILD
// The variant with a virtual unit: only the HID and file calls go elsewhere.
#include "sim/virtual/route.h"
#endif

#else

#include "sim/platform/win32_sim.h"

#endif
