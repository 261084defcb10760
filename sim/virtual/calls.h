// The calls of the program that the virtual unit answers, with the SDK's types. route.h puts
// them in place of the system's names in the program's sources; the virtual unit's own files
// include this header alone and reach the system under the real names.
#pragma once

namespace virtual_unit {

// Enumeration lists the virtual unit alone, while it is plugged.
HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA device, const GUID* classGuid,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA interfaceData);
BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA device);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

// On a handle of the virtual unit these reach it; on any other handle, the system.
BOOLEAN HidD_GetAttributes(HANDLE file, PHIDD_ATTRIBUTES attributes);
BOOLEAN HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data);
BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data);
NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps);
BOOLEAN HidD_GetInputReport(HANDLE file, PVOID report, ULONG length);
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD attributes, HANDLE templateFile);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written, LPOVERLAPPED overlapped);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE handle);

// The system registers the window; the virtual unit also notes it, to send it its own arrival
// and removal as the system sends them: WM_DEVICECHANGE from another thread.
HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags);
BOOL UnregisterDeviceNotification(HDEVNOTIFY notification);

}  // namespace virtual_unit
