// The one virtual SERVIKA of this process: made at start from SERVIKA_VIRTUAL_UNIT (a scenario
// string that does not parse ends the process with an error box and exit code 2), plugged from
// start on, and pulled when a report asks for it.
#pragma once

#include <cstdint>
#include <string>

#include "sim/unit/virtual_unit.h"
#include "sim/virtual/system.h"

namespace virtual_unit {

sim::VirtualUnit& Unit();
bool UnitPresent();
const std::wstring& UnitPath();
// Device paths compare without regard to the case of A to Z, as the system compares them.
bool IsUnitPath(const wchar_t* path);

// The unit's clock: the performance counter, in microseconds.
uint64_t NowMicroseconds();

// After every output report the unit took: when it asks to be pulled, it leaves the bus and
// the windows that watch HID interfaces hear of it.
void PullIfRequested();

}  // namespace virtual_unit
