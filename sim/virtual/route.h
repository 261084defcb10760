// The variant with a virtual unit: the program's HID and file calls go to the virtual SERVIKA
// that lives in this process, configured by the SERVIKA_VIRTUAL_UNIT environment variable.
// The window system, time and resources stay the system's.
//
// Included by platform/win32.h after the SDK headers, so the macros take over the names in the
// program's own sources only.
#pragma once

#include "sim/virtual/calls.h"

#define SetupDiGetClassDevsW virtual_unit::SetupDiGetClassDevsW
#define SetupDiEnumDeviceInterfaces virtual_unit::SetupDiEnumDeviceInterfaces
#define SetupDiGetDeviceInterfaceDetailW virtual_unit::SetupDiGetDeviceInterfaceDetailW
#define SetupDiDestroyDeviceInfoList virtual_unit::SetupDiDestroyDeviceInfoList
#define HidD_GetAttributes virtual_unit::HidD_GetAttributes
#define HidD_GetPreparsedData virtual_unit::HidD_GetPreparsedData
#define HidD_FreePreparsedData virtual_unit::HidD_FreePreparsedData
#define HidP_GetCaps virtual_unit::HidP_GetCaps
#define HidD_GetInputReport virtual_unit::HidD_GetInputReport
#define CreateFileW virtual_unit::CreateFileW
#define WriteFile virtual_unit::WriteFile
#define ReadFile virtual_unit::ReadFile
#define CloseHandle virtual_unit::CloseHandle
#define RegisterDeviceNotificationW virtual_unit::RegisterDeviceNotificationW
#define UnregisterDeviceNotification virtual_unit::UnregisterDeviceNotification
