// Device-change notifications of the virtual unit, delivered as the system delivers its own:
// WM_DEVICECHANGE sent (not posted) from another thread to every window registered for HID
// interfaces, so it arrives while the program retrieves messages.
#pragma once

#include <string>

#include "sim/virtual/system.h"

namespace virtual_unit {

// Queues the notification for every registered window; returns at once. The sending thread
// delivers them one after another, in order.
void AnnounceDeviceChange(WPARAM event, const std::wstring& path);

}  // namespace virtual_unit
