#include "sim/unit/virtual_unit.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace sim {
namespace {

constexpr uint8_t kOutputReportId = 1;
constexpr uint8_t kInputReportId = 2;
constexpr uint8_t kErrorMarker = 0xFF;
constexpr uint8_t kErased = 0xFF;
constexpr size_t kBlockSize = 16;
constexpr size_t kMaxBlocks = 3;
// The shortest reply that holds every field of the status reply.
constexpr size_t kMinReplyLength = 64;

enum Command : uint8_t {
    kWriteData = 0x01,
    kSetAddress = 0x02,
    kErasePage = 0x03,
    kWriteEnd = 0x04,
    kWriteBegin = 0x05,
    kFinish = 0x07,
    kGetStatus = 0x08,
    kReadMemory = 0x0A,
    kAppQueryA = 0x1D,
    kAppQueryB = 0x22,
};

uint32_t Load32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

void Store16(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

void Store32(uint8_t* bytes, uint32_t value) {
    Store16(bytes, static_cast<uint16_t>(value));
    Store16(bytes + 2, static_cast<uint16_t>(value >> 16));
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// What the flash holds before anything is erased: a bootloader below the application area and
// an older application in it, with no erased byte, so programming without an erase shows.
std::vector<uint8_t> InitialFlash(const std::array<uint8_t, kInfoBlockSize>& infoBlock) {
    std::vector<uint8_t> flash(kFlashSize, kErased);
    for (uint32_t offset = 0; offset < kInfoBlockAddress - kFlashBase; ++offset) {
        bool bootloader = offset < kApplicationStart - kFlashBase;
        flash[offset] = bootloader ? static_cast<uint8_t>(0x5A ^ (offset * 13 % 256))
                                   : static_cast<uint8_t>(offset % 251);
    }
    std::copy(infoBlock.begin(), infoBlock.end(), flash.begin() + (kInfoBlockAddress - kFlashBase));
    return flash;
}

}  // namespace

void UnitConfig::SetFirmwareVersion(uint32_t version) {
    Store32(infoBlock.data() + 4, version);
}

void UnitConfig::SetFirmwareInfo(uint32_t info) {
    Store32(infoBlock.data() + 8, info);
}

std::array<uint8_t, kInfoBlockSize> UnitConfig::NoFirmwareInfoBlock() {
    std::array<uint8_t, kInfoBlockSize> block;
    block.fill(kErased);
    return block;
}

QueryAnswer UnitConfig::DefaultAnswer(size_t length, uint8_t first) {
    QueryAnswer answer;
    for (size_t i = 0; i < length; ++i) answer.data.push_back(static_cast<uint8_t>(first + i));
    return answer;
}

std::wstring DefaultUnitPath(uint16_t vendorId, uint16_t productId) {
    wchar_t ids[32];
    std::swprintf(ids, sizeof ids / sizeof ids[0], L"vid_%04x&pid_%04x", unsigned{vendorId},
                  unsigned{productId});
    return std::wstring(L"\\\\?\\hid#") + ids +
           L"#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

VirtualUnit::VirtualUnit(UnitConfig config)
    : config_(std::move(config)), flash_(InitialFlash(config_.infoBlock)) {
    if (config_.path.empty()) config_.path = DefaultUnitPath(config_.vendorId, config_.productId);
}

void VirtualUnit::Plugged(uint64_t now) {
    pluggedAt_ = now;
    now_ = now;
    reportCount_ = 0;
    removalRequested_ = false;
    transcript_.clear();
    busyUntil_ = 0;
    writeSession_ = false;
    fetchable_.reset();
    sent_.clear();
    if (!config_.tracePath.empty()) {
        trace_.close();
        trace_.open(config_.tracePath, std::ios::out | std::ios::trunc);
        traceFailed_ = !trace_.is_open();
    }
}

uint32_t VirtualUnit::WriteReport(const uint8_t* report, size_t length, uint64_t now) {
    now_ = now;
    ++reportCount_;
    if (reportCount_ == config_.faults.failReport) return config_.faults.failReportError;
    transcript_.push_back({now - pluggedAt_, std::vector<uint8_t>(report, report + length)});
    Trace(transcript_.back());
    if (now < busyUntil_) {
        Violate(ViolationKind::Busy, "report " + std::to_string(reportCount_) + " arrived " +
                                         std::to_string(busyUntil_ - now) + " us before ready");
    }
    CarryOut(report, length, now);
    removalRequested_ = reportCount_ == config_.faults.unplugAfterReport;
    return 0;
}

uint32_t VirtualUnit::GetInputReport(uint8_t* report, size_t length, uint64_t now) {
    now_ = now;
    if (report[0] != kInputReportId) {
        Violate(ViolationKind::BadReport,
                "input report " + std::to_string(report[0]) + " asked for");
        return kErrorInvalidParameter;
    }
    if (!fetchable_) {
        Violate(ViolationKind::NoReplyPending, "input report fetched with no answer pending");
        return kErrorGenFailure;
    }
    Reply reply = std::move(*fetchable_);
    fetchable_.reset();
    if (reply.error != 0) return reply.error;
    std::copy_n(reply.bytes.begin(), std::min(length, reply.bytes.size()), report);
    return 0;
}

uint32_t VirtualUnit::ReadInputReport(uint8_t* report, size_t length, uint64_t now) {
    now_ = now;
    if (sent_.empty()) {
        Violate(ViolationKind::NoReplyPending, "input report read with none sent");
        return kErrorSemTimeout;
    }
    Reply reply = std::move(sent_.front());
    sent_.erase(sent_.begin());
    if (reply.error != 0) return reply.error;
    std::copy_n(reply.bytes.begin(), std::min(length, reply.bytes.size()), report);
    return 0;
}

size_t VirtualUnit::ViolationCount(ViolationKind kind) const {
    return static_cast<size_t>(std::count_if(violations_.begin(), violations_.end(),
                                             [&](const Violation& v) { return v.kind == kind; }));
}

std::vector<uint8_t> VirtualUnit::ReadFlash(uint32_t address, size_t length) const {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < length && InFlash(static_cast<uint32_t>(address + i)); ++i) {
        bytes.push_back(flash_[address + i - kFlashBase]);
    }
    return bytes;
}

void VirtualUnit::WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i < bytes.size() && InFlash(static_cast<uint32_t>(address + i)); ++i) {
        flash_[address + i - kFlashBase] = bytes[i];
    }
}

void VirtualUnit::Violate(ViolationKind kind, std::string what) {
    violations_.push_back({now_ - pluggedAt_, kind, std::move(what)});
}

void VirtualUnit::Trace(const ReceivedReport& report) {
    if (!trace_.is_open()) return;
    static const char digits[] = "0123456789abcdef";
    std::string line = std::to_string(report.microseconds / 1000) + ' ';
    for (uint8_t byte : report.bytes) {
        line += digits[byte >> 4];
        line += digits[byte & 0x0F];
    }
    trace_ << line << '\n' << std::flush;
}

void VirtualUnit::CarryOut(const uint8_t* report, size_t length, uint64_t now) {
    if (length < 3 || report[0] != kOutputReportId) {
        Violate(ViolationKind::BadReport, "not an output report 1 with a command");
        return;
    }
    if (config_.mode == UnitMode::Bootloader) {
        CarryOutBootloaderCommand(report, length, now);
    } else {
        CarryOutApplicationCommand(report, length);
    }
}

void VirtualUnit::CarryOutBootloaderCommand(const uint8_t* report, size_t length, uint64_t now) {
    switch (report[1]) {
        case kWriteBegin:
            if (ConstantIs(report, 0)) writeSession_ = true;
            break;
        case kWriteEnd:
            if (!ConstantIs(report, 0)) break;
            if (!writeSession_)
                Violate(ViolationKind::NoWriteBegin, "write end without write begin");
            writeSession_ = false;
            break;
        case kFinish:
            if (ConstantIs(report, 0)) finished_ = true;
            break;
        case kGetStatus:
            if (ConstantIs(report, 0)) fetchable_ = StatusReply();
            break;
        case kReadMemory:
            if (Holds(report, length, 7)) fetchable_ = MemoryReply(Load32(report + 3), report[2]);
            break;
        case kErasePage:
            if (ConstantIs(report, 4) && Holds(report, length, 7)) {
                ErasePage(Load32(report + 3), now);
            }
            break;
        case kSetAddress:
            if (ConstantIs(report, 4) && Holds(report, length, 7))
                writeAddress_ = Load32(report + 3);
            break;
        case kWriteData:
            ProgramBlocks(report, length, now);
            break;
        default:
            Violate(ViolationKind::UnknownCommand,
                    "command " + std::to_string(report[1]) + " in bootloader mode");
    }
}

void VirtualUnit::CarryOutApplicationCommand(const uint8_t* report, size_t length) {
    switch (report[1]) {
        case kGetStatus:
            if (ConstantIs(report, 0)) fetchable_ = StatusReply();
            break;
        case kAppQueryA:
            if (!ConstantIs(report, 8)) break;
            if (!Holds(report, length, 12)) break;
            if (Load32(report + 4) != 32 || Load32(report + 8) != 0xFFFFFFE0) {
                Violate(ViolationKind::BadReport, "query A without its fixed values");
                break;
            }
            sent_.push_back(QueryReply(kAppQueryA, config_.queryA));
            break;
        case kAppQueryB:
            sent_.push_back(QueryReply(kAppQueryB, config_.queryB));
            break;
        default:
            Violate(ViolationKind::UnknownCommand,
                    "command " + std::to_string(report[1]) + " in application mode");
    }
}

bool VirtualUnit::ConstantIs(const uint8_t* report, uint8_t value) {
    if (report[2] == value) return true;
    Violate(ViolationKind::BadReport,
            "command " + std::to_string(report[1]) + " with byte 2 = " + std::to_string(report[2]));
    return false;
}

bool VirtualUnit::Holds(const uint8_t* report, size_t length, size_t needed) {
    if (length >= needed) return true;
    Violate(ViolationKind::BadReport,
            "command " + std::to_string(report[1]) + " in " + std::to_string(length) + " bytes");
    return false;
}

void VirtualUnit::ErasePage(uint32_t address, uint64_t now) {
    if (!writeSession_) {
        Violate(ViolationKind::NoWriteBegin, "erase of " + Hex(address) + " without write begin");
        return;
    }
    if (address % kFlashPageSize != 0) {
        Violate(ViolationKind::BadReport, "erase of " + Hex(address) + ", not a page start");
    }
    uint32_t page = address - address % kFlashPageSize;
    if (!InApplicationArea(page)) {
        Violate(ViolationKind::OutsideApplicationArea, "erase of " + Hex(address));
        return;
    }
    std::fill_n(flash_.begin() + (page - kFlashBase), kFlashPageSize, kErased);
    busyUntil_ = now + kEraseBusyMicroseconds;
}

void VirtualUnit::ProgramBlocks(const uint8_t* report, size_t length, uint64_t now) {
    size_t count = report[2];
    if (count == 0 || count > kMaxBlocks || length < 3 + count * kBlockSize) {
        Violate(ViolationKind::BadReport, "data report of " + std::to_string(count) +
                                              " blocks in " + std::to_string(length) + " bytes");
        return;
    }
    if (!writeSession_) {
        Violate(ViolationKind::NoWriteBegin,
                "data at " + Hex(writeAddress_) + " without write begin");
        return;
    }
    bool outside = false;
    bool notErased = false;
    for (size_t i = 0; i < count * kBlockSize; ++i) {
        uint32_t address = static_cast<uint32_t>(writeAddress_ + i);
        if (!InApplicationArea(address)) {
            outside = true;
            continue;
        }
        uint8_t& cell = flash_[address - kFlashBase];
        // Flash programming can only clear bits.
        if (cell != kErased) notErased = true;
        cell &= report[3 + i];
    }
    if (outside) Violate(ViolationKind::OutsideApplicationArea, "data at " + Hex(writeAddress_));
    if (notErased) Violate(ViolationKind::NotErased, "data at " + Hex(writeAddress_));
    writeAddress_ += static_cast<uint32_t>(count * kBlockSize);
    busyUntil_ = now + kWriteBusyMicroseconds;
}

size_t VirtualUnit::ReplyLength() const {
    return std::max<size_t>(config_.inputReportLength, kMinReplyLength);
}

VirtualUnit::Reply VirtualUnit::StatusReply() const {
    Reply reply{std::vector<uint8_t>(ReplyLength(), 0), config_.faults.statusFetchError};
    uint8_t* bytes = reply.bytes.data();
    const StatusFields& status = config_.status;
    bytes[0] = kInputReportId;
    if (config_.mode == UnitMode::Bootloader) {
        bytes[3] = status.bootModeByte;
        bytes[4] = status.bootLeadByte;
        Store16(bytes + 5, status.bootWord);
        Store32(bytes + 7, status.bootloaderVersion);
        Store32(bytes + 11, status.bootDword);
        bytes[15] = status.bootTailByte;
    } else {
        const uint8_t* info = flash_.data() + (kInfoBlockAddress - kFlashBase);
        bytes[3] = 0;
        Store16(bytes + 4, status.appType);
        Store16(bytes + 6, status.appWord);
        std::copy_n(info + 4, 8, bytes + 8);
    }
    return reply;
}

VirtualUnit::Reply VirtualUnit::MemoryReply(uint32_t address, size_t count) const {
    Reply reply{std::vector<uint8_t>(ReplyLength(), 0), config_.faults.memoryFetchError};
    reply.bytes[0] = kInputReportId;
    for (size_t i = 0; i < count && 3 + i < reply.bytes.size(); ++i) {
        uint32_t at = static_cast<uint32_t>(address + i);
        reply.bytes[3 + i] = InFlash(at) ? flash_[at - kFlashBase] : 0;
    }
    return reply;
}

VirtualUnit::Reply VirtualUnit::QueryReply(uint8_t command, const QueryAnswer& answer) const {
    Reply reply{std::vector<uint8_t>(ReplyLength(), 0), answer.readError};
    reply.bytes[0] = kInputReportId;
    if (answer.errorCode) {
        reply.bytes[1] = kErrorMarker;
        Store16(reply.bytes.data() + 4, *answer.errorCode);
    } else {
        reply.bytes[1] = command;
        size_t n = std::min(answer.data.size(), reply.bytes.size() - 4);
        std::copy_n(answer.data.begin(), n, reply.bytes.begin() + 4);
    }
    return reply;
}

bool VirtualUnit::InFlash(uint32_t address) const {
    return address >= kFlashBase && address - kFlashBase < flash_.size();
}

bool VirtualUnit::InApplicationArea(uint32_t address) {
    return address >= kApplicationStart && address < kInfoBlockAddress;
}

}  // namespace sim
