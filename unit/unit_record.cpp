#include "unit/unit_record.h"

#include <cstddef>
#include <cstdlib>

namespace {

UnitRecord EmptyRecord() {
    UnitRecord empty = {};
    empty.handle = INVALID_HANDLE_VALUE;
    return empty;
}

// Running out of memory here leaves nothing sensible to do.
void* Allocate(size_t bytes) {
    void* memory = std::malloc(bytes);
    if (memory == nullptr) std::abort();
    return memory;
}

// The interface's detail block, with its path, or null when it cannot be read. The caller
// frees the block.
PSP_DEVICE_INTERFACE_DETAIL_DATA_W ReadInterfaceDetail(HDEVINFO set,
                                                       SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                       DWORD* detailSize) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, interfaceData, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return nullptr;
    auto detail = static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(Allocate(required));
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, interfaceData, detail, required, nullptr, nullptr)) {
        std::free(detail);
        return nullptr;
    }
    *detailSize = required;
    return detail;
}

HANDLE OpenInterface(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Both product IDs are the unit; its mode is learned from its status, not from the ID.
bool IsUnit(HANDLE handle) {
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(handle, &attributes)) return false;
    return attributes.VendorID == UNIT_VENDOR_ID && (attributes.ProductID == UNIT_PRODUCT_ID_BOOT ||
                                                     attributes.ProductID == UNIT_PRODUCT_ID_APP);
}

// A copy of the detail block's path, as many characters long as the block has bytes, which
// always holds the path and its terminator.
wchar_t* CopyDevicePath(const SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD detailSize) {
    const size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    const size_t sourceCapacity = (detailSize - pathOffset) / sizeof(WCHAR);
    const WCHAR* source = detail->DevicePath;
    auto path = static_cast<wchar_t*>(Allocate(detailSize * sizeof(wchar_t)));
    size_t length = 0;
    while (length < sourceCapacity && source[length] != 0) {
        path[length] = source[length];
        ++length;
    }
    path[length] = 0;
    return path;
}

}  // namespace

UnitRecord CurrentUnit = EmptyRecord();

namespace {
uint32_t releases = 0;
}  // namespace

uint32_t UnitReleaseCount() { return releases; }

void ResetUnitRecord(UnitRecord* unit) {
    if (unit->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(unit->handle);
        ++releases;
    }
    if (unit->devicePath != nullptr) std::free(unit->devicePath);
    *unit = EmptyRecord();
}

int32_t OpenUnit(UnitRecord* unit) {
    ResetUnitRecord(unit);
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return -1;

    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData = {};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData)) break;

        DWORD detailSize = 0;
        PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail =
            ReadInterfaceDetail(set, &interfaceData, &detailSize);
        if (detail == nullptr) continue;
        HANDLE handle = OpenInterface(detail->DevicePath);
        if (handle != INVALID_HANDLE_VALUE) {
            if (IsUnit(handle)) {
                unit->handle = handle;
                unit->devicePath = CopyDevicePath(detail, detailSize);
                std::free(detail);
                SetupDiDestroyDeviceInfoList(set);
                return 0;
            }
            CloseHandle(handle);
        }
        std::free(detail);
    }
    SetupDiDestroyDeviceInfoList(set);
    return -4;
}
