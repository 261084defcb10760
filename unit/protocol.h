// The reports the unit understands: commands go out as output report 1, answers come back as
// input report 2.
#pragma once

#include <cstdint>

#include "unit/unit_record.h"

constexpr uint8_t OUTPUT_REPORT_ID = 1;
constexpr uint8_t INPUT_REPORT_ID = 2;
constexpr uint32_t REPORT_BUFFER_SIZE = 64;

// Report lengths beyond this are refused, so no capability value can move a transfer past
// a buffer.
constexpr uint32_t MAX_REPORT_LENGTH = 1024;
// A data report of three blocks needs this many bytes; a shorter output report would cut it.
constexpr uint32_t MIN_OUTPUT_REPORT_LENGTH = 51;

constexpr uint8_t CMD_WRITE_DATA = 0x01;
constexpr uint8_t CMD_SET_ADDRESS = 0x02;
constexpr uint8_t CMD_ERASE_PAGE = 0x03;
constexpr uint8_t CMD_WRITE_END = 0x04;
constexpr uint8_t CMD_WRITE_BEGIN = 0x05;
constexpr uint8_t CMD_FINISH = 0x07;
constexpr uint8_t CMD_GET_STATUS = 0x08;
constexpr uint8_t CMD_READ_MEMORY = 0x0A;
constexpr uint8_t CMD_APP_QUERY_A = 0x1D;
constexpr uint8_t CMD_APP_QUERY_B = 0x22;

constexpr uint8_t REPLY_ERROR_MARKER = 0xFF;

constexpr uint32_t FLASH_APP_START = 0x08003000;
constexpr uint32_t INFO_BLOCK_ADDRESS = 0x0801FC00;
constexpr uint32_t FLASH_LAST_ADDRESS = 0x0801FFFF;
constexpr uint32_t FLASH_PAGE_SIZE = 1024;
constexpr uint32_t INFO_BLOCK_SIZE = 12;
constexpr uint32_t ERASE_PAUSE_MS = 40;
constexpr uint32_t DATA_BLOCK_SIZE = 16;
constexpr uint8_t MAX_BLOCKS_PER_REPORT = 3;

// Each returns 0 on success; -1 no open handle; -2 the report was not written; -3 the answer
// was not obtained; 4 an argument refused before anything was sent; the application queries
// also the unit's own error code.
int32_t QueryStatus(UnitRecord* unit, uint8_t* reply);
int32_t ReadMemory(UnitRecord* unit, uint8_t* out);
int32_t AppQueryA(UnitRecord* unit, uint8_t* out);
int32_t AppQueryB(UnitRecord* unit, uint8_t* out);
int32_t EraseFlash(UnitRecord* unit, uint32_t start);
int32_t SetWriteAddress(UnitRecord* unit, uint32_t address);
int32_t WriteBlocks(UnitRecord* unit, uint8_t count, const uint8_t* data);
int32_t SendSimpleCommand(UnitRecord* unit, uint8_t command);
