#include "app/main_dialog.h"

#include <cstring>
#include <cwchar>

#include "app/device_change.h"
#include "app/globals.h"
#include "app/header_picture.h"
#include "app/status_pane.h"
#include "app/text.h"
#include "app/versions.h"
#include "resources/resource.h"
#include "unit/identify.h"
#include "unit/unit_record.h"
#include "update/update.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
HDEVNOTIFY DeviceNotification = nullptr;

namespace {

constexpr int TITLE_BUFFER_SIZE = 256;
constexpr unsigned PROGRAM_VERSION_MAJOR = 1;
constexpr unsigned PROGRAM_VERSION_MINOR = 0;
// What the system takes as the brush of the dialog's face colour.
constexpr INT_PTR FACE_COLOR_BRUSH = COLOR_BTNFACE + 1;
constexpr COLORREF HIGHLIGHT_TEXT_COLOR = RGB(255, 0, 0);

void EmptyUnitRecord() {
    std::memset(&CurrentUnit, 0, sizeof CurrentUnit);
    CurrentUnit.handle = INVALID_HANDLE_VALUE;
}

void SetWindowIcon(HWND dialog) {
    HICON icon = LoadIconW(AppInstance, MAKEINTRESOURCEW(IDI_APP));
    SetClassLongPtrW(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

void SetProgramTitle(HWND dialog) {
    wchar_t title[TITLE_BUFFER_SIZE];
    swprintf(title, TITLE_BUFFER_SIZE, L"VELDRAMON SERVIKA Firmware Updater %u.%02u",
             PROGRAM_VERSION_MAJOR, PROGRAM_VERSION_MINOR);
    SendMessageW(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
}

void LabelVersionRows() {
    SetDlgItemTextW(MainWindow, IDC_LABEL_FW1, L"Bootloader");
    SetDlgItemTextW(MainWindow, IDC_LABEL_FW2, L"SERVIKA");
    ShowWindow(GetDlgItem(MainWindow, IDC_LABEL_FW3), SW_HIDE);
    ShowWindow(GetDlgItem(MainWindow, IDC_VERSION_FW3), SW_HIDE);
}

// Notifications of HID interfaces arriving and leaving, as WM_DEVICECHANGE to the dialog.
HDEVNOTIFY WatchHidInterfaces(HWND dialog) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    return RegisterDeviceNotificationW(dialog, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void ReportRegistrationFailure(HWND dialog) {
    wchar_t caption[TEXT_BUFFER_SIZE];
    wchar_t text[TEXT_BUFFER_SIZE];
    LoadText(IDS_APP_ERROR, caption);
    LoadText(IDS_ERR_NOTIFY_REGISTER, text);
    MessageBoxW(dialog, text, caption, MB_ICONERROR);
}

void ShowFoundUnit(int32_t findResult) {
    if (findResult != 0) {
        EnableUpdateButton(false);
        ResetUnitRecord(&CurrentUnit);
        ShowSituation(IDS_NO_UNIT);
    } else if (CurrentUnit.bootMode == 0) {
        EnableUpdateButton(false);
        ResetUnitRecord(&CurrentUnit);
        ShowSituation(IDS_WRONG_MODE);
    } else {
        ShowStatusText(IDS_READY);
        EnableUpdateButton(true);
    }
}

void PaintDialog(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    PaintHeader(dc);
    EndPaint(dialog, &paint);
}

INT_PTR OnCommand(HWND dialog, WORD id) {
    switch (id) {
        case IDCANCEL:
            StopWatchingUnit();
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_UPDATE:
            RunUpdate();
            return TRUE;
        default:
            return FALSE;
    }
}

// The unit's row and version are drawn in red on the dialog's face.
INT_PTR OnColorStatic(HWND dialog, HDC dc, HWND control) {
    if (control != GetDlgItem(dialog, IDC_LABEL_FW2) &&
        control != GetDlgItem(dialog, IDC_VERSION_FW2)) {
        return FALSE;
    }
    SetTextColor(dc, HIGHLIGHT_TEXT_COLOR);
    SetBkMode(dc, TRANSPARENT);
    return FACE_COLOR_BRUSH;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    InitCommonControls();
    AppInstance = instance;
    EmptyUnitRecord();
    DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
    return 0;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitMainDialog(dialog);
            return TRUE;
        case WM_PAINT:
            PaintDialog(dialog);
            return FALSE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam));
        case WM_CTLCOLORSTATIC:
            return OnColorStatic(dialog, reinterpret_cast<HDC>(wParam),
                                 reinterpret_cast<HWND>(lParam));
        case WM_DEVICECHANGE:
            return OnDeviceChange(wParam, lParam) != 0 ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

void InitMainDialog(HWND dialog) {
    MainWindow = dialog;
    SetWindowIcon(dialog);
    SetProgramTitle(dialog);
    LabelVersionRows();
    DeviceNotification = WatchHidInterfaces(dialog);
    if (DeviceNotification == nullptr) {
        ReportRegistrationFailure(dialog);
        StopWatchingUnit();
        EndDialog(dialog, 1);
        return;
    }
    ShowFoundUnit(FindUnit(&CurrentUnit));
    ShowVersions();
}

void StopWatchingUnit() {
    if (DeviceNotification != nullptr) {
        UnregisterDeviceNotification(DeviceNotification);
        DeviceNotification = nullptr;
    }
    ResetUnitRecord(&CurrentUnit);
}
