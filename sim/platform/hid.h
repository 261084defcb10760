// The simulated HID bus, as tests and the rest of the simulation see it: interfaces are plugged
// and pulled here, each backed by a device model that answers the reports. The SetupAPI, HID
// and file calls of win32_sim.h work on what is plugged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/platform/win32_sim.h"

namespace sim::hid {

// What a device does with its reports. Each call returns 0, or the Win32 error the transfer
// fails with. The bus has already checked handle, access and lengths; a model sees exactly the
// device's report length.
class DeviceModel {
public:
    virtual ~DeviceModel() = default;
    // One output report was written.
    virtual DWORD WriteReport(const uint8_t* report, size_t length) = 0;
    // The host asks for an input report; report[0] holds the report ID it asks for.
    virtual DWORD GetInputReport(uint8_t* report, size_t length) = 0;
    // The host takes the next input report the device sends. Must not wait: a device with
    // nothing to send fails.
    virtual DWORD ReadInputReport(uint8_t* report, size_t length) = 0;
    // Asked after every written output report: true pulls the device from the bus.
    virtual bool RemovalRequested() { return false; }
};

// Failures of the calls that describe an interface; 0 means the call works.
struct InterfaceFaults {
    DWORD openError = 0;            // CreateFileW with read or write access fails with this
    DWORD attributesError = 0;      // HidD_GetAttributes fails with this
    DWORD preparsedDataError = 0;   // HidD_GetPreparsedData fails with this
    bool capabilitiesFail = false;  // HidP_GetCaps answers HIDP_STATUS_INVALID_PREPARSED_DATA
};

struct InterfaceConfig {
    std::wstring path;
    USHORT vendorId = 0;
    USHORT productId = 0;
    USHORT versionNumber = 0x0100;
    USAGE usagePage = 0xFF00;
    USAGE usage = 0x0001;
    USHORT inputReportLength = 64;  // the report ID byte included, as the capabilities count
    USHORT outputReportLength = 64;
    USHORT featureReportLength = 0;
    InterfaceFaults faults;
};

// Plugs an interface and announces its arrival (DBT_DEVICEARRIVAL). False when an interface
// with that path is already present (paths compare ignoring case).
bool Plug(const InterfaceConfig& config, std::shared_ptr<DeviceModel> model);
// Pulls an interface and announces its removal (DBT_DEVICEREMOVECOMPLETE). Handles on it stay
// in the handle table, but every transfer on them fails with ERROR_DEVICE_NOT_CONNECTED. False
// when no such interface is present.
bool Pull(const std::wstring& path);
bool IsPresent(const std::wstring& path);
// How often the interface present at path was opened since it was plugged.
size_t TimesOpened(const std::wstring& path);
// The interfaces present, in enumeration order (the order they were plugged).
std::vector<InterfaceConfig> List();
// No interfaces, no sets, no preparsed data, no faults; announces nothing.
void Reset();

// SetupDiGetClassDevsW fails with this error while it is nonzero.
void SetClassDevsError(DWORD error);

// Live objects, so a test can show that nothing leaks.
size_t LiveDeviceInfoSets();
size_t LivePreparsedData();

// The HID interface class GUID, {4D1E55B2-F16F-11CF-88CB-001111000030}.
GUID HidClassGuid();
bool SameGuid(const GUID& a, const GUID& b);

// Another HID device on the bus: a keyboard. Windows keeps keyboards for itself, so opening one
// for reading and writing is refused with ERROR_ACCESS_DENIED unless openable is true.
class KeyboardModel : public DeviceModel {
public:
    DWORD WriteReport(const uint8_t* report, size_t length) override;
    DWORD GetInputReport(uint8_t* report, size_t length) override;
    DWORD ReadInputReport(uint8_t* report, size_t length) override;
};
InterfaceConfig KeyboardInterface(const std::wstring& path, bool openable = false);
bool PlugKeyboard(const std::wstring& path, bool openable = false);

}  // namespace sim::hid
