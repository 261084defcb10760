// How a failed update ends: the unit let go, the window back to no unit, an error box.
#pragma once

#include <cstdint>

// A status of -1 shows the text alone; any other adds the status and the system's error code.
void ReportUpdateFailure(int32_t status, const wchar_t* text, const wchar_t* caption,
                         uint32_t systemError);
