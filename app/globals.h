// The program's state besides the unit record: where resources come from, the one window,
// and the registration for device-change notifications.
#pragma once

#include "platform/win32.h"

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HDEVNOTIFY DeviceNotification;
