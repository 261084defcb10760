#include "sim/unit/on_bus.h"

#include "sim/platform/kernel.h"

namespace sim {
namespace {

// The unit as a device on the bus, on the kernel's clock.
class UnitDevice : public hid::DeviceModel {
public:
    explicit UnitDevice(std::shared_ptr<VirtualUnit> unit) : unit_(std::move(unit)) {}

    DWORD WriteReport(const uint8_t* report, size_t length) override {
        return unit_->WriteReport(report, length, NowMicroseconds());
    }
    DWORD GetInputReport(uint8_t* report, size_t length) override {
        return unit_->GetInputReport(report, length, NowMicroseconds());
    }
    DWORD ReadInputReport(uint8_t* report, size_t length) override {
        return unit_->ReadInputReport(report, length, NowMicroseconds());
    }
    bool RemovalRequested() override { return unit_->RemovalRequested(); }

private:
    std::shared_ptr<VirtualUnit> unit_;
};

}  // namespace

hid::InterfaceConfig UnitInterface(const VirtualUnit& unit) {
    const UnitConfig& config = unit.Config();
    hid::InterfaceConfig device;
    device.path = config.path;
    device.vendorId = config.vendorId;
    device.productId = config.productId;
    device.inputReportLength = config.inputReportLength;
    device.outputReportLength = config.outputReportLength;
    device.faults.openError = config.faults.openError;
    device.faults.attributesError = config.faults.attributesError;
    device.faults.preparsedDataError = config.faults.preparsedDataError;
    device.faults.capabilitiesFail = config.faults.capabilitiesFail;
    return device;
}

bool ReplugVirtualUnit(const std::shared_ptr<VirtualUnit>& unit) {
    if (hid::IsPresent(unit->Config().path)) return false;
    // The unit counts its time from here, before anyone hears of its arrival.
    unit->Plugged(NowMicroseconds());
    return hid::Plug(UnitInterface(*unit), std::make_shared<UnitDevice>(unit));
}

std::shared_ptr<VirtualUnit> PlugVirtualUnit(const UnitConfig& config) {
    auto unit = std::make_shared<VirtualUnit>(config);
    return ReplugVirtualUnit(unit) ? unit : nullptr;
}

bool PullVirtualUnit(const VirtualUnit& unit) {
    return hid::Pull(unit.Config().path);
}

}  // namespace sim
