#include "app/device_change.h"

#include "app/status_pane.h"
#include "app/versions.h"
#include "resources/resource.h"
#include "unit/identify.h"
#include "unit/unit_record.h"

namespace {

bool UnitHeld() { return CurrentUnit.handle != INVALID_HANDLE_VALUE; }

bool IsDeviceInterface(LPARAM header) {
    auto* broadcast = reinterpret_cast<const DEV_BROADCAST_HDR*>(header);
    return broadcast != nullptr && broadcast->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE;
}

wchar_t FoldCase(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

// Interface paths compare without regard to the case of A to Z, and nothing else.
bool SamePath(const wchar_t* a, const wchar_t* b) {
    while (*a != L'\0' && FoldCase(*a) == FoldCase(*b)) {
        ++a;
        ++b;
    }
    return FoldCase(*a) == FoldCase(*b);
}

bool IsHeldUnit(LPARAM header) {
    auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    return CurrentUnit.devicePath != nullptr && SamePath(broadcast->dbcc_name, CurrentUnit.devicePath);
}

void OnArrival(LPARAM header) {
    if (!IsDeviceInterface(header) || UnitHeld()) return;
    if (FindUnit(&CurrentUnit) != 0) return;
    if (CurrentUnit.bootMode != 0) {
        ShowStatusText(IDS_READY);
        ShowVersions();
        EnableUpdateButton(true);
    } else {
        EnableUpdateButton(false);
        ResetUnitRecord(&CurrentUnit);
        ShowSituation(IDS_WRONG_MODE);
    }
}

void OnRemoval(LPARAM header) {
    if (!IsDeviceInterface(header) || !UnitHeld() || !IsHeldUnit(header)) return;
    ResetUnitRecord(&CurrentUnit);
    EnableUpdateButton(false);
    ShowVersions();
    ShowSituation(IDS_DISCONNECTED);
}

}  // namespace

int OnDeviceChange(WPARAM event, LPARAM header) {
    switch (event) {
        case DBT_DEVICEARRIVAL:
            OnArrival(header);
            return 1;
        case DBT_DEVICEREMOVECOMPLETE:
            OnRemoval(header);
            return 1;
        default:
            return 0;
    }
}
