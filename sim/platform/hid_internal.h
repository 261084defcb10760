// What the SetupAPI part and the device part of the simulated HID bus share.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/platform/hid.h"

namespace sim::hid::detail {

struct Interface {
    InterfaceConfig config;
    std::shared_ptr<DeviceModel> model;
    bool present = true;
    size_t timesOpened = 0;
};

// The interfaces present, in the order they were plugged.
std::vector<std::shared_ptr<Interface>>& Present();
// Interfaces that were plugged once and are gone now; only a set made without DIGCF_PRESENT
// still lists them.
std::vector<std::shared_ptr<Interface>>& Departed();

// Device paths compare ignoring the case of A to Z, as the system treats them.
bool SamePath(const std::wstring& a, const std::wstring& b);
std::shared_ptr<Interface> FindPresent(const std::wstring& path);

void ResetDeviceInfoSets();
void ResetPreparsedData();

}  // namespace sim::hid::detail
