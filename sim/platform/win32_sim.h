// Our own small Win32: exactly the types, constants and calls the updater uses, with the
// values and behaviour the program relies on. The implementations live beside this file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwchar>

// ---- Basic types -------------------------------------------------------------------------

#define WINAPI
#define CALLBACK
#define NTAPI
#define CONST const

typedef int BOOL;
typedef unsigned char BOOLEAN;
typedef unsigned char BYTE;
typedef unsigned char UCHAR;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef int INT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef int64_t LONGLONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef DWORD COLORREF;
typedef LONG NTSTATUS;

typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* PCWSTR;

#define TRUE 1
#define FALSE 0

// Distinct handle types, as the SDK declares them in its strict mode.
#define SIM_DECLARE_HANDLE(name) \
    struct name##__ {            \
        int unused;              \
    };                           \
    typedef struct name##__* name

typedef void* HANDLE;
SIM_DECLARE_HANDLE(HWND);
SIM_DECLARE_HANDLE(HINSTANCE);
SIM_DECLARE_HANDLE(HICON);
SIM_DECLARE_HANDLE(HBITMAP);
SIM_DECLARE_HANDLE(HDC);
SIM_DECLARE_HANDLE(HBRUSH);
SIM_DECLARE_HANDLE(HMENU);
SIM_DECLARE_HANDLE(HRSRC);
typedef HINSTANCE HMODULE;
typedef void* HGDIOBJ;
typedef void* HGLOBAL;
typedef void* HDEVNOTIFY;
typedef void* HDEVINFO;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER;

typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID, *LPGUID;

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED* LPOVERLAPPED;

// ---- Error codes -------------------------------------------------------------------------

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_GEN_FAILURE 31L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#define ERROR_INVALID_USER_BUFFER 1784L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_INVALID_WINDOW_HANDLE 1400L

// ---- Kernel: errors, time, files, resources ------------------------------------------------

DWORD GetLastError();
void SetLastError(DWORD error);

void Sleep(DWORD milliseconds);
DWORD GetTickCount();
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written, LPOVERLAPPED overlapped);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);

#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)(WORD)(i))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity);

// ---- SetupAPI and HID ----------------------------------------------------------------------

#define DIGCF_PRESENT 0x00000002u
#define DIGCF_DEVICEINTERFACE 0x00000010u

typedef struct _SP_DEVINFO_DATA* PSP_DEVINFO_DATA;

typedef struct _SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize;
    GUID InterfaceClassGuid;
    DWORD Flags;
    ULONG_PTR Reserved;
} SP_DEVICE_INTERFACE_DATA, *PSP_DEVICE_INTERFACE_DATA;

typedef struct _SP_DEVICE_INTERFACE_DETAIL_DATA_W {
    DWORD cbSize;
    WCHAR DevicePath[1];
} SP_DEVICE_INTERFACE_DETAIL_DATA_W, *PSP_DEVICE_INTERFACE_DETAIL_DATA_W;

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA deviceInfo, const GUID* classGuid,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA interfaceData);
BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA deviceInfo);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

typedef struct _HIDD_ATTRIBUTES {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
} HIDD_ATTRIBUTES, *PHIDD_ATTRIBUTES;

typedef struct _HIDP_PREPARSED_DATA* PHIDP_PREPARSED_DATA;

typedef USHORT USAGE;
typedef struct _HIDP_CAPS {
    USAGE Usage;
    USAGE UsagePage;
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT NumberLinkCollectionNodes;
    USHORT NumberInputButtonCaps;
    USHORT NumberInputValueCaps;
    USHORT NumberInputDataIndices;
    USHORT NumberOutputButtonCaps;
    USHORT NumberOutputValueCaps;
    USHORT NumberOutputDataIndices;
    USHORT NumberFeatureButtonCaps;
    USHORT NumberFeatureValueCaps;
    USHORT NumberFeatureDataIndices;
} HIDP_CAPS, *PHIDP_CAPS;

#define HIDP_STATUS_SUCCESS ((NTSTATUS)0x00110000)
#define HIDP_STATUS_INVALID_PREPARSED_DATA ((NTSTATUS)0xC0110001)

void HidD_GetHidGuid(LPGUID guid);
BOOLEAN HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes);
BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data);
BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data);
NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps);
BOOLEAN HidD_GetInputReport(HANDLE device, PVOID buffer, ULONG length);

// ---- Windows, dialogs and messages ---------------------------------------------------------

#define LOWORD(l) ((WORD)(((ULONG_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((ULONG_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) ((LONG)(((WORD)(((ULONG_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((ULONG_PTR)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_SHOWWINDOW 0x0018
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_DEVICECHANGE 0x0219
#define WM_USER 0x0400

#define HTCLOSE 20
#define SC_CLOSE 0xF060

#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

#define MB_OK 0x00000000u
#define MB_YESNO 0x00000004u
#define MB_ICONERROR 0x00000010u
#define MB_ICONWARNING 0x00000030u

#define SW_HIDE 0
#define SW_SHOW 5

#define GCL_HICON (-14)
#define GCLP_HICON (-14)

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u

#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_VSCROLL 0x00200000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_EX_RIGHT 0x00001000u

#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define DS_FIXEDSYS 0x0008u
#define DS_CENTER 0x0800u
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

#define BS_PUSHBUTTON 0x00000000u
#define BS_DEFPUSHBUTTON 0x00000001u
#define BS_GROUPBOX 0x00000007u
#define SS_LEFT 0x00000000u
#define ES_MULTILINE 0x0004u
#define ES_AUTOVSCROLL 0x0040u
#define ES_READONLY 0x0800u

#define BN_CLICKED 0

#define SM_CXDLGFRAME 7
#define SM_CYCAPTION 4

#define COLOR_BTNFACE 15

void InitCommonControls();
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int capacity);
int GetWindowTextLengthW(HWND window);
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL ShowWindow(HWND window, int command);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL GetWindowRect(HWND window, LPRECT rect);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR text, DWORD style, int x, int y,
                     int width, int height, HWND owner, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL PeekMessageW(LPMSG message, HWND window, UINT first, UINT last, UINT remove);
LRESULT DispatchMessageW(const MSG* message);
HWND GetActiveWindow();
HWND SetActiveWindow(HWND window);
int GetSystemMetrics(int index);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
DWORD SetClassLongW(HWND window, int index, LONG value);
ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value);

#define PROGRESS_CLASSW L"msctls_progress32"
#define PBS_SMOOTH 0x01u
#define PBM_SETPOS (WM_USER + 2)

// ---- Device-change notifications -----------------------------------------------------------

#define DBT_DEVICEARRIVAL 0x8000
#define DBT_DEVICEQUERYREMOVE 0x8001
#define DBT_DEVICEREMOVEPENDING 0x8003
#define DBT_DEVICEREMOVECOMPLETE 0x8004
#define DBT_DEVNODES_CHANGED 0x0007
#define DBT_DEVTYP_VOLUME 0x00000002u
#define DBT_DEVTYP_PORT 0x00000003u
#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005u
#define DBT_DEVTYP_HANDLE 0x00000006u
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000u

typedef struct _DEV_BROADCAST_HDR {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
} DEV_BROADCAST_HDR, *PDEV_BROADCAST_HDR;

typedef struct _DEV_BROADCAST_DEVICEINTERFACE_W {
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    WCHAR dbcc_name[1];
} DEV_BROADCAST_DEVICEINTERFACE_W, *PDEV_BROADCAST_DEVICEINTERFACE_W;

HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags);
BOOL UnregisterDeviceNotification(HDEVNOTIFY notification);

// ---- Painting ------------------------------------------------------------------------------

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP;

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define TRANSPARENT 1
#define OPAQUE 2
#define CLR_INVALID 0xFFFFFFFFu

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
COLORREF SetTextColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
int GetObjectW(HGDIOBJ object, int size, LPVOID out);
HDC CreateCompatibleDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteDC(HDC dc);
BOOL DeleteObject(HGDIOBJ object);
BOOL TransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, UINT transparent);
