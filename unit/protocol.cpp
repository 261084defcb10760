#include "unit/protocol.h"

#include <cstring>

#include "unit/report_bytes.h"

namespace {

// Every report is assembled in a buffer this large, so no report length a unit may claim can
// move a transfer past it; a length beyond it is not transferred at all.
struct Report {
    uint8_t bytes[MAX_REPORT_LENGTH];
};

Report Command(uint8_t command, uint8_t parameter) {
    Report report = {};
    report.bytes[0] = OUTPUT_REPORT_ID;
    report.bytes[1] = command;
    report.bytes[2] = parameter;
    return report;
}

Report AddressCommand(uint8_t command, uint32_t address) {
    Report report = Command(command, 4);
    StoreU32(report.bytes + 3, address);
    return report;
}

bool Write(const UnitRecord* unit, const Report& report) {
    if (unit->outputReportLength > MAX_REPORT_LENGTH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD written = 0;
    return WriteFile(unit->handle, report.bytes, unit->outputReportLength, &written, nullptr) !=
           FALSE;
}

// Asks the unit for input report 2. The request is REPORT_BUFFER_SIZE long, or the unit's
// input report length where that is longer, since the request must hold the whole report.
bool Fetch(const UnitRecord* unit, Report* reply) {
    DWORD length =
        unit->inputReportLength > REPORT_BUFFER_SIZE ? unit->inputReportLength : REPORT_BUFFER_SIZE;
    if (length > MAX_REPORT_LENGTH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *reply = Report{};
    reply->bytes[0] = INPUT_REPORT_ID;
    return HidD_GetInputReport(unit->handle, reply->bytes, length) != FALSE;
}

// Takes the next input report the unit sends.
bool Read(const UnitRecord* unit, Report* reply) {
    if (unit->inputReportLength > MAX_REPORT_LENGTH) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *reply = Report{};
    reply->bytes[0] = INPUT_REPORT_ID;
    DWORD read = 0;
    return ReadFile(unit->handle, reply->bytes, unit->inputReportLength, &read, nullptr) != FALSE;
}

// One application query: its report, then its reply, which carries either data or the unit's
// error code. An error reply leaves out untouched.
int32_t AppQuery(UnitRecord* unit, const Report& query, uint8_t* out, size_t size) {
    if (unit->handle == INVALID_HANDLE_VALUE) return -1;
    if (!Write(unit, query)) return -2;
    Report reply;
    if (!Read(unit, &reply)) return -3;
    if (reply.bytes[1] == REPLY_ERROR_MARKER) return LoadU16(reply.bytes + 4);
    std::memcpy(out, reply.bytes + 4, size);
    return 0;
}

}  // namespace

int32_t QueryStatus(UnitRecord* unit, uint8_t* reply) {
    if (!Write(unit, Command(CMD_GET_STATUS, 0))) return -2;
    Report status;
    if (!Fetch(unit, &status)) return -3;
    std::memcpy(reply, status.bytes, REPORT_BUFFER_SIZE);
    return 0;
}

int32_t ReadMemory(UnitRecord* unit, uint8_t* out) {
    if (unit->handle == INVALID_HANDLE_VALUE) return -1;
    Report request = Command(CMD_READ_MEMORY, INFO_BLOCK_SIZE);
    StoreU32(request.bytes + 3, INFO_BLOCK_ADDRESS);
    if (!Write(unit, request)) return -1;
    Report reply;
    if (!Fetch(unit, &reply)) return -3;
    std::memcpy(out, reply.bytes + 3, INFO_BLOCK_SIZE);
    return 0;
}

int32_t AppQueryA(UnitRecord* unit, uint8_t* out) {
    constexpr uint32_t kLength = 32;
    Report query = Command(CMD_APP_QUERY_A, 8);
    StoreU32(query.bytes + 4, kLength);
    StoreU32(query.bytes + 8, static_cast<uint32_t>(-static_cast<int32_t>(kLength)));
    return AppQuery(unit, query, out, kLength);
}

int32_t AppQueryB(UnitRecord* unit, uint8_t* out) {
    Report query = {};
    query.bytes[0] = OUTPUT_REPORT_ID;
    query.bytes[1] = CMD_APP_QUERY_B;
    return AppQuery(unit, query, out, 40);
}

int32_t EraseFlash(UnitRecord* unit, uint32_t start) {
    if (start >= INFO_BLOCK_ADDRESS) return 4;
    // The information block's page, the last one, is never erased.
    for (uint32_t page = start & ~(FLASH_PAGE_SIZE - 1); page < INFO_BLOCK_ADDRESS;
         page += FLASH_PAGE_SIZE) {
        bool written = Write(unit, AddressCommand(CMD_ERASE_PAGE, page));
        Sleep(ERASE_PAUSE_MS);
        if (!written) return -2;
    }
    return 0;
}

int32_t SetWriteAddress(UnitRecord* unit, uint32_t address) {
    if (address > FLASH_LAST_ADDRESS) return 4;
    return Write(unit, AddressCommand(CMD_SET_ADDRESS, address)) ? 0 : -2;
}

int32_t WriteBlocks(UnitRecord* unit, uint8_t count, const uint8_t* data) {
    if (data == nullptr || count == 0 || count > MAX_BLOCKS_PER_REPORT) return 4;
    Report report = Command(CMD_WRITE_DATA, count);
    std::memcpy(report.bytes + 3, data, size_t{count} * DATA_BLOCK_SIZE);
    return Write(unit, report) ? 0 : -2;
}

int32_t SendSimpleCommand(UnitRecord* unit, uint8_t command) {
    return Write(unit, Command(command, 0)) ? 0 : -2;
}
