#include "app/versions.h"

#include <cwchar>

#include "app/globals.h"
#include "app/text.h"
#include "resources/resource.h"
#include "unit/unit_record.h"

namespace {

constexpr size_t GROUP_TEXT_SIZE = 10;
constexpr uint32_t NO_FIRMWARE = 0xFFFFFFFF;

// The controls of the version rows, in the order they are enabled and disabled.
constexpr int VERSION_ROW_CONTROLS[] = {IDC_VERSION_FW1, IDC_VERSION_FW2, IDC_VERSION_FW3,
                                        IDC_LABEL_FW1,   IDC_LABEL_FW2,   IDC_LABEL_FW3};

void AppendGroups(wchar_t* text, size_t capacity, const wchar_t* format, unsigned first,
                  unsigned second) {
    wchar_t groups[GROUP_TEXT_SIZE];
    swprintf(groups, GROUP_TEXT_SIZE, format, first, second);
    AppendText(text, capacity, groups);
}

void EnableVersionRows(bool enable) {
    for (int id : VERSION_ROW_CONTROLS) {
        EnableWindow(GetDlgItem(MainWindow, id), enable ? TRUE : FALSE);
    }
}

void ShowNoUnit() {
    SetDlgItemTextW(MainWindow, IDC_VERSION_FW1, L"0.0.0");
    SetDlgItemTextW(MainWindow, IDC_VERSION_FW2, L"0.0.0");
    SetDlgItemTextW(MainWindow, IDC_VERSION_FW3, L"0.0.0");
    EnableVersionRows(false);
}

// A firmware version whose lowest byte is zero is shown without that byte.
uint32_t ShownFirmwareVersion(uint32_t version) {
    return (version & 0xFF) != 0 ? version : version >> 8;
}

void ShowUnitVersions() {
    wchar_t text[VERSION_TEXT_SIZE];
    EnableVersionRows(true);
    FormatVersion(CurrentUnit.bootloaderVersion >> 8, text, VERSION_TEXT_SIZE);
    SetDlgItemTextW(MainWindow, IDC_VERSION_FW1, text);
    if (CurrentUnit.firmwareVersion == NO_FIRMWARE) {
        CopyText(text, VERSION_TEXT_SIZE, L"----------");
    } else {
        FormatVersion(ShownFirmwareVersion(CurrentUnit.firmwareVersion), text, VERSION_TEXT_SIZE);
    }
    SetDlgItemTextW(MainWindow, IDC_VERSION_FW2, text);
}

}  // namespace

void FormatVersion(uint32_t value, wchar_t* text, size_t capacity) {
    if (capacity == 0) return;
    unsigned b3 = value >> 24;
    unsigned b2 = (value >> 16) & 0xFF;
    unsigned b1 = (value >> 8) & 0xFF;
    unsigned b0 = value & 0xFF;
    text[0] = L'\0';
    if (b3 != 0) {
        AppendGroups(text, capacity, L"%u.%02u.", b3, b2);
    } else if (b2 != 0) {
        AppendGroups(text, capacity, L"%01u.", b2, 0);
    }
    if (value >= 0x10000) {
        AppendGroups(text, capacity, L"%02u.%02u", b1, b0);
    } else {
        AppendGroups(text, capacity, L"%01u.%02u", b1, b0);
    }
}

void ShowVersions() {
    if (CurrentUnit.handle == INVALID_HANDLE_VALUE) {
        ShowNoUnit();
    } else {
        ShowUnitVersions();
    }
}
