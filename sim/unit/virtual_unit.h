// The virtual SERVIKA: its bootloader and its running application as the updater relies on
// them, with a flash that the commands really change, the faults a test asks for, and a record
// of everything the unit received.
//
// Plain C++ that takes report bytes and the time in microseconds, free of any platform, so the
// same model also runs behind the real Win32 window system.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace sim {

inline constexpr uint32_t kFlashBase = 0x08000000;
inline constexpr uint32_t kFlashSize = 128 * 1024;
inline constexpr uint32_t kFlashPageSize = 1024;
inline constexpr uint32_t kApplicationStart = 0x08003000;  // below it: the bootloader
inline constexpr uint32_t kInfoBlockAddress = 0x0801FC00;  // its page ends the flash
inline constexpr uint32_t kInfoBlockSize = 12;
inline constexpr uint64_t kEraseBusyMicroseconds = 40000;
inline constexpr uint64_t kWriteBusyMicroseconds = 20000;

// Win32 error numbers the unit's faults use (the model itself includes no platform).
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorSemTimeout = 121;

enum class UnitMode { Bootloader, Application };

// The status reply's fields. In bootloader mode byte 3 is bootModeByte; the application sends 0
// there and its firmware version and info from the information block.
struct StatusFields {
    uint8_t bootModeByte = 1;
    uint8_t bootLeadByte = 0;
    uint16_t bootWord = 0;
    uint32_t bootloaderVersion = 0x00010003;
    uint32_t bootDword = 0;
    uint8_t bootTailByte = 0;
    uint16_t appType = 3;
    uint16_t appWord = 0;
};

// The running application's answer to one of its two queries.
struct QueryAnswer {
    std::vector<uint8_t> data;          // the data reply's bytes from reply byte 4 on
    std::optional<uint16_t> errorCode;  // instead an error reply carrying this code
    uint32_t readError = 0;             // the reply cannot be read: the read fails with this
};

struct UnitFaults {
    uint32_t openError = 0;           // opening it for reading and writing fails with this
    uint32_t attributesError = 0;     // its vendor and product ID cannot be read
    uint32_t preparsedDataError = 0;  // its report descriptor cannot be had
    bool capabilitiesFail = false;    // its capabilities cannot be read
    uint32_t failReport = 0;          // the Nth output report since plugging fails (from 1)...
    uint32_t failReportError = kErrorGenFailure;  // ...with this error
    uint32_t unplugAfterReport = 0;               // pulled right after its Nth output report
    uint32_t statusFetchError = 0;                // the status reply cannot be fetched
    uint32_t memoryFetchError = 0;                // the memory reply cannot be fetched
};

struct UnitConfig {
    std::wstring path;  // empty: made from the IDs
    uint16_t vendorId = 0x21B8;
    uint16_t productId = 1;
    uint16_t inputReportLength = 64;
    uint16_t outputReportLength = 64;
    UnitMode mode = UnitMode::Bootloader;
    StatusFields status;
    std::array<uint8_t, kInfoBlockSize> infoBlock = NoFirmwareInfoBlock();  // as in the flash
    QueryAnswer queryA = DefaultAnswer(32, 0xA0);
    QueryAnswer queryB = DefaultAnswer(40, 0xB0);
    UnitFaults faults;
    std::string tracePath;  // one line per output report received, when set

    void SetFirmwareVersion(uint32_t version);  // information block bytes 4 to 7
    void SetFirmwareInfo(uint32_t info);        // bytes 8 to 11

    static std::array<uint8_t, kInfoBlockSize> NoFirmwareInfoBlock();
    static QueryAnswer DefaultAnswer(size_t length, uint8_t first);
};

std::wstring DefaultUnitPath(uint16_t vendorId, uint16_t productId);

struct ReceivedReport {
    uint64_t microseconds;       // since plugging
    std::vector<uint8_t> bytes;  // the whole report as written
};

enum class ViolationKind {
    OutsideApplicationArea,  // erase or programming outside 0x08003000 to 0x0801FBFF
    NotErased,               // programming bytes that were not erased
    Busy,                    // a report while a page erase or a data write is still going on
    NoWriteBegin,            // erase, data or write end outside a write session
    NoReplyPending,          // an input report asked for with none to give
    BadReport,               // a report the unit cannot take: ID, constant, count or length
    UnknownCommand,          // a command the current mode does not know
};

struct Violation {
    uint64_t microseconds;  // since plugging
    ViolationKind kind;
    std::string what;
};

class VirtualUnit {
public:
    explicit VirtualUnit(UnitConfig config = {});

    const UnitConfig& Config() const { return config_; }

    // The bus side. Each transfer returns 0 or the error it fails with; now is microseconds on
    // any steady clock, the same for every call.
    void Plugged(uint64_t now);
    uint32_t WriteReport(const uint8_t* report, size_t length, uint64_t now);
    uint32_t GetInputReport(uint8_t* report, size_t length, uint64_t now);
    uint32_t ReadInputReport(uint8_t* report, size_t length, uint64_t now);
    bool RemovalRequested() const { return removalRequested_; }

    // What a test looks at. Transcript and report count start again at every plugging; the
    // violations and the flash stay.
    const std::vector<ReceivedReport>& Transcript() const { return transcript_; }
    uint32_t OutputReportsSincePlugging() const { return reportCount_; }  // failed ones too
    const std::vector<Violation>& Violations() const { return violations_; }
    size_t ViolationCount(ViolationKind kind) const;
    const std::vector<uint8_t>& Flash() const { return flash_; }  // from kFlashBase
    std::vector<uint8_t> ReadFlash(uint32_t address, size_t length) const;
    void WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes);  // to set a test up
    uint32_t WriteAddress() const { return writeAddress_; }
    bool WriteSessionOpen() const { return writeSession_; }
    bool Finished() const { return finished_; }
    bool TraceFailed() const { return traceFailed_; }

private:
    struct Reply {
        std::vector<uint8_t> bytes;
        uint32_t error = 0;  // taking it fails with this
    };

    void Violate(ViolationKind kind, std::string what);
    void Trace(const ReceivedReport& report);
    void CarryOut(const uint8_t* report, size_t length, uint64_t now);
    void CarryOutBootloaderCommand(const uint8_t* report, size_t length, uint64_t now);
    void CarryOutApplicationCommand(const uint8_t* report, size_t length);
    bool ConstantIs(const uint8_t* report, uint8_t value);
    bool Holds(const uint8_t* report, size_t length, size_t needed);
    void ErasePage(uint32_t address, uint64_t now);
    void ProgramBlocks(const uint8_t* report, size_t length, uint64_t now);
    Reply StatusReply() const;
    Reply MemoryReply(uint32_t address, size_t count) const;
    Reply QueryReply(uint8_t command, const QueryAnswer& answer) const;
    size_t ReplyLength() const;
    bool InFlash(uint32_t address) const;
    static bool InApplicationArea(uint32_t address);

    UnitConfig config_;
    std::vector<uint8_t> flash_;
    uint64_t pluggedAt_ = 0;
    uint64_t now_ = 0;
    uint32_t reportCount_ = 0;
    bool removalRequested_ = false;
    std::vector<ReceivedReport> transcript_;
    std::vector<Violation> violations_;
    uint64_t busyUntil_ = 0;
    bool writeSession_ = false;
    bool finished_ = false;
    uint32_t writeAddress_ = 0;
    std::optional<Reply> fetchable_;  // the answer HidD_GetInputReport fetches
    std::vector<Reply> sent_;         // the answers the unit sent, oldest first
    std::ofstream trace_;
    bool traceFailed_ = false;
};

}  // namespace sim
