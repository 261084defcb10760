// The unit's reports byte by byte, the erase runs and their pacing, refusals, and what each
// operation returns when a transfer fails.
#include <functional>
#include <optional>

#include "tests/unit/unit_link_test.h"

namespace {

// Test names show the case's name, not its bytes.
template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

using Operation = std::function<int32_t(UnitRecord*)>;

const std::vector<uint8_t> kData = [] {
    std::vector<uint8_t> data;
    for (int i = 0; i < 48; ++i) data.push_back(static_cast<uint8_t>(0x10 + i));
    return data;
}();

std::vector<uint8_t> Concat(std::vector<uint8_t> head, const std::vector<uint8_t>& tail,
                            size_t tailLength) {
    head.insert(head.end(), tail.begin(), tail.begin() + static_cast<ptrdiff_t>(tailLength));
    return head;
}

int32_t Status(UnitRecord* u) {
    uint8_t reply[REPORT_BUFFER_SIZE];
    return QueryStatus(u, reply);
}
int32_t Memory(UnitRecord* u) {
    uint8_t out[INFO_BLOCK_SIZE];
    return ReadMemory(u, out);
}
int32_t QueryA(UnitRecord* u) {
    uint8_t out[32];
    return AppQueryA(u, out);
}
int32_t QueryB(UnitRecord* u) {
    uint8_t out[40];
    return AppQueryB(u, out);
}

struct LayoutCase {
    const char* name;
    const char* scenario;
    Operation send;
    std::vector<uint8_t> report;  // then zeros up to 64 bytes
};

const LayoutCase kLayoutCases[] = {
    {"WriteData2Blocks", "", [](UnitRecord* u) { return WriteBlocks(u, 2, kData.data()); },
     Concat({0x01, 0x01, 0x02}, kData, 32)},
    {"WriteData3Blocks", "", [](UnitRecord* u) { return WriteBlocks(u, 3, kData.data()); },
     Concat({0x01, 0x01, 0x03}, kData, 48)},
    {"SetAddressAppStart",
     "",
     [](UnitRecord* u) { return SetWriteAddress(u, 0x08003000); },
     {0x01, 0x02, 0x04, 0x00, 0x30, 0x00, 0x08}},
    {"SetAddressLastByte",
     "",
     [](UnitRecord* u) { return SetWriteAddress(u, 0x0801FFFF); },
     {0x01, 0x02, 0x04, 0xFF, 0xFF, 0x01, 0x08}},
    {"ErasePage",
     "",
     [](UnitRecord* u) { return EraseFlash(u, 0x0801F800); },
     {0x01, 0x03, 0x04, 0x00, 0xF8, 0x01, 0x08}},
    {"WriteEnd",
     "",
     [](UnitRecord* u) { return SendSimpleCommand(u, CMD_WRITE_END); },
     {0x01, 0x04, 0x00}},
    {"WriteBegin",
     "",
     [](UnitRecord* u) { return SendSimpleCommand(u, CMD_WRITE_BEGIN); },
     {0x01, 0x05, 0x00}},
    {"Finish",
     "",
     [](UnitRecord* u) { return SendSimpleCommand(u, CMD_FINISH); },
     {0x01, 0x07, 0x00}},
    {"GetStatus", "", Status, {0x01, 0x08, 0x00}},
    {"ReadMemory", "", Memory, {0x01, 0x0A, 0x0C, 0x00, 0xFC, 0x01, 0x08}},
    {"AppQueryA",
     "mode=app;apptype=2",
     QueryA,
     {0x01, 0x1D, 0x08, 0x00, 0x20, 0x00, 0x00, 0x00, 0xE0, 0xFF, 0xFF, 0xFF}},
    {"AppQueryB", "mode=app;apptype=2", QueryB, {0x01, 0x22}},
};

class Layout : public UnitLinkTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layout, SendsExactlyTheseBytes) {
    const LayoutCase& c = GetParam();
    auto device = Plug(c.scenario);
    ASSERT_EQ(FindUnit(&unit), 0);
    size_t before = device->Transcript().size();

    EXPECT_EQ(c.send(&unit), 0);

    ASSERT_EQ(device->Transcript().size(), before + 1);
    EXPECT_EQ(device->Transcript().back().bytes, Padded(c.report));
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Layout, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct EraseCase {
    const char* name;
    uint32_t start;
    int32_t result;
    uint32_t firstPage;
    size_t pages;
};

const EraseCase kEraseCases[] = {
    {"FromApplicationStart", 0x08003000, 0, 0x08003000, 115},
    {"FromUnalignedStart", 0x08010234, 0, 0x08010000, 63},
    {"FromLastByteBelowInfoBlock", 0x0801FBFF, 0, 0x0801F800, 1},
    {"FromInfoBlockRefused", 0x0801FC00, 4, 0, 0},
    {"FromHighestAddressRefused", 0xFFFFFFFF, 4, 0, 0},
};

class Erase : public UnitLinkTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(Erase, ErasesEveryPageUpToTheInfoBlockWithPauses) {
    const EraseCase& c = GetParam();
    auto device = Plug();
    ASSERT_EQ(FindUnit(&unit), 0);
    ASSERT_EQ(SendSimpleCommand(&unit, CMD_WRITE_BEGIN), 0);
    const std::vector<uint8_t> flashBefore = device->Flash();
    const size_t before = device->Transcript().size();
    const uint64_t startTime = sim::NowMicroseconds();  // the unit was plugged at 0

    EXPECT_EQ(EraseFlash(&unit, c.start), c.result);

    const auto& transcript = device->Transcript();
    ASSERT_EQ(transcript.size(), before + c.pages);
    for (size_t i = 0; i < c.pages; ++i) {
        uint32_t page = c.firstPage + static_cast<uint32_t>(i) * FLASH_PAGE_SIZE;
        const auto& report = transcript[before + i];
        EXPECT_EQ(
            report.bytes,
            Padded({0x01, 0x03, 0x04, static_cast<uint8_t>(page), static_cast<uint8_t>(page >> 8),
                    static_cast<uint8_t>(page >> 16), static_cast<uint8_t>(page >> 24)}))
            << "page " << i;
        EXPECT_EQ(report.microseconds, startTime + i * 40000) << "page " << i;
    }
    EXPECT_EQ(sim::NowMicroseconds() - startTime, c.pages * 40000);
    EXPECT_TRUE(device->Violations().empty());
    for (uint32_t address = sim::kFlashBase; address < sim::kFlashBase + sim::kFlashSize;
         ++address) {
        bool erased = c.pages > 0 && address >= c.firstPage && address < INFO_BLOCK_ADDRESS;
        uint8_t expected = erased ? 0xFF : flashBefore[address - sim::kFlashBase];
        ASSERT_EQ(device->Flash()[address - sim::kFlashBase], expected) << std::hex << address;
    }
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Erase, ::testing::ValuesIn(kEraseCases),
                         [](const auto& info) { return std::string(info.param.name); });

using Protocol = UnitLinkTest;

TEST_F(Protocol, FailedErasePausesAndSendsNoFurtherPage) {
    // Reports 1 and 2 identify, 3 begins, 4 and 5 erase; the sixth fails.
    auto device = Plug("fail_report=6;error=31");
    ASSERT_EQ(FindUnit(&unit), 0);
    ASSERT_EQ(SendSimpleCommand(&unit, CMD_WRITE_BEGIN), 0);
    uint64_t start = sim::NowMicroseconds();

    EXPECT_EQ(EraseFlash(&unit, FLASH_APP_START), -2);

    EXPECT_EQ(GetLastError(), 31u);
    EXPECT_EQ(sim::NowMicroseconds() - start, 3 * 40000u)
        << "the pause follows the failed page too";
    EXPECT_EQ(device->OutputReportsSincePlugging(), 6u);
    EXPECT_EQ(Commands(*device), (std::vector<uint8_t>{0x08, 0x0A, 0x05, 0x03, 0x03}));
}

struct RefusalCase {
    const char* name;
    Operation send;
};

const RefusalCase kRefusalCases[] = {
    {"AddressBeyondFlash", [](UnitRecord* u) { return SetWriteAddress(u, 0x08020000); }},
    {"NoBlocks", [](UnitRecord* u) { return WriteBlocks(u, 0, kData.data()); }},
    {"FourBlocks", [](UnitRecord* u) { return WriteBlocks(u, 4, kData.data()); }},
    {"NoData", [](UnitRecord* u) { return WriteBlocks(u, 1, nullptr); }},
};

class Refusal : public UnitLinkTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, Returns4AndSendsNothing) {
    auto device = Plug();
    ASSERT_EQ(FindUnit(&unit), 0);
    size_t before = device->Transcript().size();
    EXPECT_EQ(GetParam().send(&unit), 4);
    EXPECT_EQ(device->OutputReportsSincePlugging(), before);
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Refusal, ::testing::ValuesIn(kRefusalCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    Operation send;
    int32_t writeFails;  // the unit's next report fails
    int32_t noHandle;    // the record holds no unit
};

const FailureCase kFailureCases[] = {
    {"SimpleCommand", [](UnitRecord* u) { return SendSimpleCommand(u, CMD_WRITE_BEGIN); }, -2, -2},
    {"SetWriteAddress", [](UnitRecord* u) { return SetWriteAddress(u, FLASH_APP_START); }, -2, -2},
    {"WriteBlocks", [](UnitRecord* u) { return WriteBlocks(u, 3, kData.data()); }, -2, -2},
    {"EraseFlash", [](UnitRecord* u) { return EraseFlash(u, 0x0801F800); }, -2, -2},
    {"QueryStatus", Status, -2, -2},
    {"ReadMemory", Memory, -1, -1},
    {"AppQueryA", QueryA, -2, -1},
    {"AppQueryB", QueryB, -2, -1},
};

class Failure : public UnitLinkTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failure, UnwrittenReportEndsTheOperation) {
    auto device = Plug("fail_report=3;error=1167");
    ASSERT_EQ(FindUnit(&unit), 0);

    EXPECT_EQ(GetParam().send(&unit), GetParam().writeFails);

    EXPECT_EQ(GetLastError(), 1167u);
    EXPECT_EQ(device->OutputReportsSincePlugging(), 3u) << "one attempt, nothing after it";
}

TEST_P(Failure, NoUnitHeld) {
    auto device = Plug();
    unit.outputReportLength = 64;
    unit.inputReportLength = 64;
    SetLastError(0);

    int32_t result = GetParam().send(&unit);

    EXPECT_EQ(result, GetParam().noHandle);
    EXPECT_EQ(GetLastError(), result == -2 ? DWORD{ERROR_INVALID_HANDLE} : 0u);
    EXPECT_EQ(device->OutputReportsSincePlugging(), 0u);
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Failure, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct QueryCase {
    const char* name;
    bool second;  // AppQueryB rather than AppQueryA
    std::optional<uint16_t> errorCode;
    uint32_t readError;
    int32_t result;
    bool copied;
};

const QueryCase kQueryCases[] = {
    {"ADataCopied", false, std::nullopt, 0, 0, true},
    {"AErrorReply258", false, 0x0102, 0, 258, false},
    {"AErrorReplyCode0", false, 0, 0, 0, false},
    {"ANotRead", false, std::nullopt, ERROR_GEN_FAILURE, -3, false},
    {"BDataCopied", true, std::nullopt, 0, 0, true},
    {"BErrorReply258", true, 0x0102, 0, 258, false},
    {"BErrorReplyCode0", true, 0, 0, 0, false},
    {"BNotRead", true, std::nullopt, ERROR_GEN_FAILURE, -3, false},
};

class Query : public UnitLinkTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(Query, ErrorReplyLeavesTheDestination) {
    const QueryCase& c = GetParam();
    sim::UnitConfig config = ScenarioConfig("mode=app;apptype=2");
    sim::QueryAnswer& answer = c.second ? config.queryB : config.queryA;
    answer.errorCode = c.errorCode;
    answer.readError = c.readError;
    const std::vector<uint8_t> data = answer.data;
    Plug(config);
    ASSERT_EQ(FindUnit(&unit), 0);
    std::vector<uint8_t> out(48, 0xEE);

    int32_t result = c.second ? AppQueryB(&unit, out.data()) : AppQueryA(&unit, out.data());

    EXPECT_EQ(result, c.result);
    std::vector<uint8_t> expected(48, 0xEE);
    if (c.copied) std::copy(data.begin(), data.end(), expected.begin());
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Query, ::testing::ValuesIn(kQueryCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
