// Everything the program knows about the connected SERVIKA, and finding it among the HID
// interfaces present.
#pragma once

#include <cstdint>

#include "platform/win32.h"

constexpr uint16_t UNIT_VENDOR_ID = 0x21B8;
constexpr uint16_t UNIT_PRODUCT_ID_BOOT = 1;
constexpr uint16_t UNIT_PRODUCT_ID_APP = 2;

struct UnitRecord {
    HANDLE handle;
    wchar_t* devicePath;
    uint32_t outputReportLength;
    uint32_t inputReportLength;
    uint8_t bootMode;
    uint32_t firmwareVersion;
    uint32_t firmwareInfo;
    uint16_t appType;
    uint16_t appWord;
    uint8_t bootLeadByte;
    uint16_t bootWord;
    uint32_t bootloaderVersion;
    uint32_t bootDword;
    uint8_t bootTailByte;
    uint8_t appBlockA[32];
    uint8_t appBlockB[40];
};

// The one unit the program holds; held exactly while its handle is valid.
extern UnitRecord CurrentUnit;

// Closes the handle, frees the path, zeroes the record and marks it as holding no unit.
void ResetUnitRecord(UnitRecord* unit);

// How often a held unit has been let go. An operation that handles window messages on its
// way compares it to learn whether the unit it began with is still the one held.
uint32_t UnitReleaseCount();

// Opens the first HID interface with the unit's vendor and product ID.
// 0 opened; -1 no list of HID interfaces; -4 no matching interface.
int32_t OpenUnit(UnitRecord* unit);
