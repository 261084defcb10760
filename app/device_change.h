// Following the unit as it is plugged in and pulled out while the program runs.
#pragma once

#include "platform/win32.h"

// 1 for arrivals and removals, whatever was done; 0 for every other event.
int OnDeviceChange(WPARAM event, LPARAM header);
