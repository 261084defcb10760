// The virtual unit's HID interface as the SetupAPI, HID and file calls show it, with the rules
// and error codes of the system's calls. Handles that are not the unit's go to the system.
#include <cstddef>
#include <cstring>
#include <set>

#include "sim/virtual/plugged_unit.h"

namespace virtual_unit {
namespace {

// The SDK's sizes, which the system checks cbSize against.
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == (sizeof(void*) == 8 ? 32 : 28));
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == (sizeof(void*) == 8 ? 8 : 6));

constexpr USHORT kVersionNumber = 0x0100;
constexpr USAGE kUsagePage = 0xFF00;
constexpr USAGE kUsage = 0x0001;

// A device-information set: whether the unit was plugged when it was made.
struct DeviceInfoSet {
    bool listsUnit;
};

std::set<HDEVINFO>& Sets() {
    static std::set<HDEVINFO> sets;
    return sets;
}

DeviceInfoSet* FindSet(HDEVINFO handle) {
    return Sets().count(handle) != 0 ? static_cast<DeviceInfoSet*>(handle) : nullptr;
}

// Open handles on the unit. Each is a real handle of an event, so its value is unique and the
// system's CloseHandle takes it.
std::set<HANDLE>& UnitFiles() {
    static std::set<HANDLE> files;
    return files;
}

bool IsUnitFile(HANDLE handle) {
    return UnitFiles().count(handle) != 0;
}

// Preparsed data handed out for the unit: its capabilities.
std::set<PHIDP_PREPARSED_DATA>& UnitPreparsedData() {
    static std::set<PHIDP_PREPARSED_DATA> data;
    return data;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

GUID HidClass() {
    GUID guid;
    HidD_GetHidGuid(&guid);
    return guid;
}

// The unit's handles stay valid once it is pulled, but reach nothing.
bool UnitConnected() {
    if (UnitPresent()) return true;
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return false;
}

// Checks shared by WriteFile and ReadFile: a synchronous transfer with a place for the count.
bool TransferAllowed(const void* buffer, LPDWORD count, LPOVERLAPPED overlapped) {
    if (count != nullptr) *count = 0;
    if (!UnitConnected()) return false;
    if (overlapped != nullptr || count == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (buffer == nullptr) return Fail(ERROR_INVALID_USER_BUFFER);
    return true;
}

}  // namespace

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
    if (classGuid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Without DIGCF_DEVICEINTERFACE the GUID names a setup class, which the unit is not of.
    bool listsUnit = (flags & DIGCF_DEVICEINTERFACE) != 0 && IsEqualGUID(*classGuid, HidClass()) &&
                     (UnitPresent() || (flags & DIGCF_PRESENT) == 0);
    HDEVINFO set = new DeviceInfoSet{listsUnit};
    Sets().insert(set);
    return set;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA, const GUID* classGuid,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA interfaceData) {
    DeviceInfoSet* set = FindSet(handle);
    if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (interfaceData == nullptr || classGuid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (!set->listsUnit || index != 0 || !IsEqualGUID(*classGuid, HidClass())) {
        return Fail(ERROR_NO_MORE_ITEMS);
    }
    constexpr DWORD kInterfaceActive = 0x1;
    interfaceData->InterfaceClassGuid = HidClass();
    interfaceData->Flags = UnitPresent() ? kInterfaceActive : 0;
    interfaceData->Reserved = 1;
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA) {
    DeviceInfoSet* set = FindSet(handle);
    if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (!set->listsUnit || interfaceData->Reserved != 1) return Fail(ERROR_INVALID_PARAMETER);
    constexpr size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (detail == nullptr ? detailSize != 0
                          : detailSize < kPathOffset + sizeof(WCHAR) ||
                                detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    const std::wstring& path = UnitPath();
    const size_t pathBytes = (path.size() + 1) * sizeof(WCHAR);
    const auto needed = static_cast<DWORD>(kPathOffset + pathBytes);
    if (requiredSize != nullptr) *requiredSize = needed;
    if (detailSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(detail->DevicePath, path.c_str(), pathBytes);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    DeviceInfoSet* set = FindSet(handle);
    if (set == nullptr) return ::SetupDiDestroyDeviceInfoList(handle);
    Sets().erase(handle);
    delete set;
    return TRUE;
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD attributes, HANDLE templateFile) {
    if (!IsUnitPath(path)) {
        return ::CreateFileW(path, access, share, security, disposition, attributes, templateFile);
    }
    DWORD error = ERROR_SUCCESS;
    if (!UnitPresent()) {
        error = ERROR_FILE_NOT_FOUND;
    } else if (disposition != OPEN_EXISTING) {
        error = ERROR_INVALID_PARAMETER;
    } else if ((access & (GENERIC_READ | GENERIC_WRITE)) != 0) {
        error = Unit().Config().faults.openError;
    }
    HANDLE file = error == ERROR_SUCCESS ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    if (file == nullptr) {
        SetLastError(error != ERROR_SUCCESS ? error : GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    UnitFiles().insert(file);
    return file;
}

BOOL CloseHandle(HANDLE handle) {
    UnitFiles().erase(handle);
    return ::CloseHandle(handle);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written,
               LPOVERLAPPED overlapped) {
    if (!IsUnitFile(file)) return ::WriteFile(file, buffer, length, written, overlapped);
    if (!TransferAllowed(buffer, written, overlapped)) return FALSE;
    // The HID class driver takes exactly one output report of the interface's length.
    if (length != Unit().Config().outputReportLength) return Fail(ERROR_INVALID_USER_BUFFER);
    DWORD error =
        Unit().WriteReport(static_cast<const uint8_t*>(buffer), length, NowMicroseconds());
    if (error != ERROR_SUCCESS) return Fail(error);
    *written = length;
    PullIfRequested();
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
    if (!IsUnitFile(file)) return ::ReadFile(file, buffer, length, read, overlapped);
    if (!TransferAllowed(buffer, read, overlapped)) return FALSE;
    // A read takes one whole input report; the buffer must hold it.
    const DWORD reportLength = Unit().Config().inputReportLength;
    if (length < reportLength) return Fail(ERROR_INVALID_USER_BUFFER);
    DWORD error =
        Unit().ReadInputReport(static_cast<uint8_t*>(buffer), reportLength, NowMicroseconds());
    if (error != ERROR_SUCCESS) return Fail(error);
    *read = reportLength;
    return TRUE;
}

BOOLEAN HidD_GetInputReport(HANDLE file, PVOID report, ULONG length) {
    if (!IsUnitFile(file)) return ::HidD_GetInputReport(file, report, length);
    if (!UnitConnected()) return FALSE;
    const ULONG reportLength = Unit().Config().inputReportLength;
    if (report == nullptr || length < reportLength) return Fail(ERROR_INVALID_USER_BUFFER);
    DWORD error =
        Unit().GetInputReport(static_cast<uint8_t*>(report), reportLength, NowMicroseconds());
    if (error != ERROR_SUCCESS) return Fail(error);
    return TRUE;
}

BOOLEAN HidD_GetAttributes(HANDLE file, PHIDD_ATTRIBUTES attributes) {
    if (!IsUnitFile(file)) return ::HidD_GetAttributes(file, attributes);
    if (!UnitConnected()) return FALSE;
    const sim::UnitConfig& config = Unit().Config();
    if (config.faults.attributesError != 0) return Fail(config.faults.attributesError);
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = config.vendorId;
    attributes->ProductID = config.productId;
    attributes->VersionNumber = kVersionNumber;
    return TRUE;
}

BOOLEAN HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data) {
    if (!IsUnitFile(file)) return ::HidD_GetPreparsedData(file, data);
    if (!UnitConnected()) return FALSE;
    const sim::UnitConfig& config = Unit().Config();
    if (config.faults.preparsedDataError != 0) return Fail(config.faults.preparsedDataError);
    auto* caps = new HIDP_CAPS{};
    caps->UsagePage = kUsagePage;
    caps->Usage = kUsage;
    caps->InputReportByteLength = config.inputReportLength;
    caps->OutputReportByteLength = config.outputReportLength;
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(caps);
    UnitPreparsedData().insert(*data);
    return TRUE;
}

NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
    if (UnitPreparsedData().count(data) == 0) return ::HidP_GetCaps(data, caps);
    if (Unit().Config().faults.capabilitiesFail) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    *caps = *reinterpret_cast<const HIDP_CAPS*>(data);
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    if (UnitPreparsedData().erase(data) == 0) return ::HidD_FreePreparsedData(data);
    delete reinterpret_cast<HIDP_CAPS*>(data);
    return TRUE;
}

}  // namespace virtual_unit
