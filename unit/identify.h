// Learning what the opened unit is: its report lengths, its mode and its versions.
#pragma once

#include <cstdint>

#include "unit/unit_record.h"

int32_t IdentifyUnit(UnitRecord* unit);

// OpenUnit, then IdentifyUnit. 0 means a unit found and identified.
int32_t FindUnit(UnitRecord* unit);
