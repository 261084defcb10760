#include "unit/identify.h"

#include "unit/protocol.h"
#include "unit/report_bytes.h"

namespace {

// The report lengths from the interface's capabilities; false when they cannot be read.
bool ReadReportLengths(UnitRecord* unit) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(unit->handle, &preparsed)) return false;
    HIDP_CAPS caps = {};
    bool read = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    if (read) {
        unit->outputReportLength = caps.OutputReportByteLength;
        unit->inputReportLength = caps.InputReportByteLength;
    }
    HidD_FreePreparsedData(preparsed);
    return read;
}

// Longer reports than the buffers hold are not taken, and an output report too short for a
// data report of three blocks would cut the firmware.
bool ReportLengthsUsable(const UnitRecord* unit) {
    return unit->inputReportLength <= MAX_REPORT_LENGTH &&
           unit->outputReportLength <= MAX_REPORT_LENGTH &&
           unit->outputReportLength >= MIN_OUTPUT_REPORT_LENGTH;
}

int32_t IdentifyBootloader(UnitRecord* unit, const uint8_t* status) {
    unit->bootLeadByte = status[4];
    unit->bootWord = LoadU16(status + 5);
    unit->bootloaderVersion = LoadU32(status + 7);
    unit->bootDword = LoadU32(status + 11);
    unit->bootTailByte = status[15];
    uint8_t block[INFO_BLOCK_SIZE];
    int32_t result = ReadMemory(unit, block);
    if (result != 0) return result;
    unit->firmwareVersion = LoadU32(block + 4);
    unit->firmwareInfo = LoadU32(block + 8);
    return 0;
}

int32_t IdentifyApplication(UnitRecord* unit, const uint8_t* status) {
    unit->appType = LoadU16(status + 4);
    unit->appWord = LoadU16(status + 6);
    unit->firmwareVersion = LoadU32(status + 8);
    unit->firmwareInfo = LoadU32(status + 12);
    if (unit->appType != 3) return 0;
    int32_t result = AppQueryA(unit, unit->appBlockA);
    if (result != 0) return result;
    return AppQueryB(unit, unit->appBlockB);
}

}  // namespace

int32_t IdentifyUnit(UnitRecord* unit) {
    if (unit->handle == INVALID_HANDLE_VALUE || unit->devicePath == nullptr) return -1;
    if (!ReadReportLengths(unit)) return -1;
    if (!ReportLengthsUsable(unit)) return -1;
    uint8_t status[REPORT_BUFFER_SIZE];
    int32_t result = QueryStatus(unit, status);
    if (result != 0) return result;
    unit->bootMode = status[3];
    return unit->bootMode != 0 ? IdentifyBootloader(unit, status)
                               : IdentifyApplication(unit, status);
}

int32_t FindUnit(UnitRecord* unit) {
    int32_t result = OpenUnit(unit);
    if (result != 0) return result;
    return IdentifyUnit(unit);
}
