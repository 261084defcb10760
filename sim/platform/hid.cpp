// The HID bus and the SetupAPI enumeration of its interfaces.
#include "sim/platform/hid.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "sim/platform/hid_internal.h"
#include "sim/platform/kernel.h"

namespace sim::hid {
namespace detail {

std::vector<std::shared_ptr<Interface>>& Present() {
    static std::vector<std::shared_ptr<Interface>> present;
    return present;
}

std::vector<std::shared_ptr<Interface>>& Departed() {
    static std::vector<std::shared_ptr<Interface>> departed;
    return departed;
}

namespace {
wchar_t FoldAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c;
}
}  // namespace

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return FoldAsciiLetter(x) == FoldAsciiLetter(y);
    });
}

std::shared_ptr<Interface> FindPresent(const std::wstring& path) {
    for (const auto& device : Present()) {
        if (SamePath(device->config.path, path)) return device;
    }
    return nullptr;
}

}  // namespace detail

namespace {

using detail::Interface;

// A device-information set: a snapshot of the interfaces listed when it was made.
struct DeviceInfoSet {
    std::vector<std::shared_ptr<Interface>> interfaces;
};

struct SetupState {
    std::map<HDEVINFO, std::unique_ptr<DeviceInfoSet>> sets;
    DWORD classDevsError = 0;
};

SetupState& Setup() {
    static SetupState state;
    return state;
}

DeviceInfoSet* FindSet(HDEVINFO handle) {
    auto found = Setup().sets.find(handle);
    return found == Setup().sets.end() ? nullptr : found->second.get();
}

void ForgetDeparted(const std::wstring& path) {
    auto& departed = detail::Departed();
    std::erase_if(departed,
                  [&](const auto& device) { return detail::SamePath(device->config.path, path); });
}

// The interfaces a new set lists: those present, and with everything also those that left.
std::vector<std::shared_ptr<Interface>> Snapshot(bool presentOnly) {
    std::vector<std::shared_ptr<Interface>> interfaces = detail::Present();
    if (!presentOnly) {
        const auto& departed = detail::Departed();
        interfaces.insert(interfaces.end(), departed.begin(), departed.end());
    }
    return interfaces;
}

// SP_DEVICE_INTERFACE_DATA::Reserved carries the interface's position in its set, plus one.
std::shared_ptr<Interface> InterfaceOf(const DeviceInfoSet& set,
                                       const SP_DEVICE_INTERFACE_DATA& data) {
    if (data.Reserved == 0 || data.Reserved > set.interfaces.size()) return nullptr;
    return set.interfaces[data.Reserved - 1];
}

}  // namespace

void detail::ResetDeviceInfoSets() {
    Setup() = SetupState{};
}

bool Plug(const InterfaceConfig& config, std::shared_ptr<DeviceModel> model) {
    if (detail::FindPresent(config.path)) return false;
    ForgetDeparted(config.path);
    auto device = std::make_shared<Interface>();
    device->config = config;
    device->model = std::move(model);
    detail::Present().push_back(device);
    AnnounceDeviceChange(DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, config.path);
    return true;
}

bool Pull(const std::wstring& path) {
    auto device = detail::FindPresent(path);
    if (!device) return false;
    device->present = false;
    std::erase(detail::Present(), device);
    detail::Departed().push_back(device);
    AnnounceDeviceChange(DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, device->config.path);
    return true;
}

bool IsPresent(const std::wstring& path) {
    return detail::FindPresent(path) != nullptr;
}

size_t TimesOpened(const std::wstring& path) {
    auto device = detail::FindPresent(path);
    return device ? device->timesOpened : 0;
}

std::vector<InterfaceConfig> List() {
    std::vector<InterfaceConfig> configs;
    for (const auto& device : detail::Present()) configs.push_back(device->config);
    return configs;
}

void Reset() {
    for (const auto& device : detail::Present()) device->present = false;
    detail::Present().clear();
    detail::Departed().clear();
    detail::ResetDeviceInfoSets();
    detail::ResetPreparsedData();
}

void SetClassDevsError(DWORD error) {
    Setup().classDevsError = error;
}

size_t LiveDeviceInfoSets() {
    return Setup().sets.size();
}

GUID HidClassGuid() {
    return GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

}  // namespace sim::hid

using sim::hid::DeviceInfoSet;

void HidD_GetHidGuid(LPGUID guid) {
    *guid = sim::hid::HidClassGuid();
}

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR, HWND, DWORD flags) {
    auto& setup = sim::hid::Setup();
    if (setup.classDevsError != 0) {
        SetLastError(setup.classDevsError);
        return INVALID_HANDLE_VALUE;
    }
    if (classGuid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_unique<DeviceInfoSet>();
    // Without DIGCF_DEVICEINTERFACE the GUID names a setup class, and no device is of the HID
    // interface class's setup class: the set is empty.
    bool interfaces = (flags & DIGCF_DEVICEINTERFACE) != 0;
    if (interfaces && sim::hid::SameGuid(*classGuid, sim::hid::HidClassGuid())) {
        set->interfaces = sim::hid::Snapshot((flags & DIGCF_PRESENT) != 0);
    }
    HDEVINFO handle = set.get();
    setup.sets.emplace(handle, std::move(set));
    return handle;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA, const GUID* classGuid,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA interfaceData) {
    DeviceInfoSet* set = sim::hid::FindSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (interfaceData == nullptr || classGuid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (!sim::hid::SameGuid(*classGuid, sim::hid::HidClassGuid()) ||
        index >= set->interfaces.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    constexpr DWORD kInterfaceActive = 0x1;
    interfaceData->InterfaceClassGuid = sim::hid::HidClassGuid();
    interfaceData->Flags = set->interfaces[index]->present ? kInterfaceActive : 0;
    interfaceData->Reserved = ULONG_PTR{index} + 1;
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA) {
    DeviceInfoSet* set = sim::hid::FindSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    auto device = sim::hid::InterfaceOf(*set, *interfaceData);
    if (!device) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    constexpr size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (detail == nullptr ? detailSize != 0
                          : detailSize < kPathOffset + sizeof(WCHAR) ||
                                detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    const std::wstring& path = device->config.path;
    DWORD needed = static_cast<DWORD>(kPathOffset + (path.size() + 1) * sizeof(WCHAR));
    if (requiredSize != nullptr) *requiredSize = needed;
    if (detailSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    auto& sets = sim::hid::Setup().sets;
    if (sets.erase(handle) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
