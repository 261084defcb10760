// Plugging a virtual SERVIKA into the simulated HID bus.
#pragma once

#include <memory>

#include "sim/platform/hid.h"
#include "sim/unit/virtual_unit.h"

namespace sim {

// The bus interface a unit with this configuration shows: path, IDs, report lengths, faults.
hid::InterfaceConfig UnitInterface(const VirtualUnit& unit);

// Plugs a new unit, announcing its arrival; null when its path is already present. The unit
// stays inspectable after it is pulled.
std::shared_ptr<VirtualUnit> PlugVirtualUnit(const UnitConfig& config = {});
// Plugs a unit that was pulled, with its flash as it is; its transcript starts again.
bool ReplugVirtualUnit(const std::shared_ptr<VirtualUnit>& unit);
bool PullVirtualUnit(const VirtualUnit& unit);

}  // namespace sim
