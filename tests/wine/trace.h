// The virtual unit's trace: one line per output report it received, the milliseconds since it
// was plugged, a space, the whole report in hex. Held against the reports the program must
// send and the pauses it must leave after each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/wine/checks.h"

namespace wine_checks {

struct TracedReport {
    long long milliseconds;
    std::vector<uint8_t> bytes;
};

struct ExpectedReport {
    std::string name;
    std::vector<uint8_t> bytes;
    int pauseAfterMs;  // the least time before the next report
};

// Empty when the file cannot be read; a line that does not parse ends the list.
std::vector<TracedReport> ReadTrace(const std::wstring& path);

// Finding the unit in bootloader mode: the status query, then the information block's read.
std::vector<ExpectedReport> Identification(size_t reportLength);
// A whole update with this image: write begin, the erase of every application page, the
// write address, the image in data reports of three blocks, write end, finish.
std::vector<ExpectedReport> Update(const std::vector<uint8_t>& image, size_t reportLength);

void CheckTrace(Checks& checks, const std::vector<TracedReport>& actual,
                const std::vector<ExpectedReport>& expected);

}  // namespace wine_checks
