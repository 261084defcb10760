// The virtual SERVIKA: its replies byte by byte, its flash under the update commands, the
// violations a real part would punish, its faults, its trace, and the scenario string.
#include <fstream>
#include <functional>
#include <sstream>

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

using sim::ViolationKind;
using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}
Bytes WithAddress(Bytes head, uint32_t address) {
    Bytes tail = Le32(address);
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}
const Bytes kBegin = {0x01, 0x05, 0x00};
const Bytes kEnd = {0x01, 0x04, 0x00};
const Bytes kStatus = {0x01, 0x08, 0x00};
Bytes Erase(uint32_t page) {
    return WithAddress({0x01, 0x03, 0x04}, page);
}
Bytes Address(uint32_t address) {
    return WithAddress({0x01, 0x02, 0x04}, address);
}
Bytes Data(uint8_t blocks) {
    Bytes report = {0x01, 0x01, blocks};
    report.resize(3 + 16 * blocks, 0x5A);
    return report;
}

TEST_F(UnitLinkTest, UpdateCommandsPutTheImageIntoTheApplicationArea) {
    auto device = Plug();
    ASSERT_EQ(FindUnit(&unit), 0);
    const Bytes before = device->Flash();
    Bytes image(10 * 48 + 32);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);

    ASSERT_EQ(SendSimpleCommand(&unit, CMD_WRITE_BEGIN), 0);
    ASSERT_EQ(EraseFlash(&unit, FLASH_APP_START), 0);
    ASSERT_EQ(SetWriteAddress(&unit, FLASH_APP_START), 0);
    for (size_t offset = 0; offset < image.size(); offset += 48) {
        uint8_t blocks = static_cast<uint8_t>(std::min<size_t>(3, (image.size() - offset) / 16));
        ASSERT_EQ(WriteBlocks(&unit, blocks, image.data() + offset), 0);
        Sleep(20);
    }
    ASSERT_EQ(SendSimpleCommand(&unit, CMD_WRITE_END), 0);
    ASSERT_EQ(SendSimpleCommand(&unit, CMD_FINISH), 0);

    const size_t app = FLASH_APP_START - sim::kFlashBase;
    const size_t info = INFO_BLOCK_ADDRESS - sim::kFlashBase;
    const Bytes& flash = device->Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin() + app));
    EXPECT_TRUE(std::all_of(flash.begin() + app + image.size(), flash.begin() + info,
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + app, before.begin())) << "bootloader";
    EXPECT_TRUE(std::equal(flash.begin() + info, flash.end(), before.begin() + info))
        << "info page";
    EXPECT_TRUE(device->Violations().empty());
    EXPECT_EQ(device->WriteAddress(), FLASH_APP_START + image.size());
    EXPECT_TRUE(device->Finished());
}

struct Step {
    uint32_t atMs;
    Bytes report;
};

struct ViolationCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<ViolationKind> kinds;
};

const ViolationCase kViolationCases[] = {
    {"EraseOfBootloaderPage",
     {{0, kBegin}, {0, Erase(0x08002C00)}},
     {ViolationKind::OutsideApplicationArea}},
    {"EraseOfInfoPage",
     {{0, kBegin}, {0, Erase(0x0801FC00)}},
     {ViolationKind::OutsideApplicationArea}},
    {"EraseWithoutWriteBegin", {{0, Erase(0x08003000)}}, {ViolationKind::NoWriteBegin}},
    {"DataWithoutWriteBegin",
     {{0, Address(0x08003000)}, {0, Data(1)}},
     {ViolationKind::NoWriteBegin}},
    {"DataOnBytesNotErased",
     {{0, kBegin}, {0, Address(0x08003000)}, {0, Data(1)}},
     {ViolationKind::NotErased}},
    {"DataReachingTheInfoPage",
     {{0, kBegin}, {0, Erase(0x0801F800)}, {40, Address(0x0801FBF0)}, {40, Data(2)}},
     {ViolationKind::OutsideApplicationArea}},
    {"ReportWhileErasing",
     {{0, kBegin}, {0, Erase(0x08003000)}, {39, kStatus}},
     {ViolationKind::Busy}},
    {"ReportOnceErased", {{0, kBegin}, {0, Erase(0x08003000)}, {40, kStatus}}, {}},
    {"ReportWhileWriting",
     {{0, kBegin}, {0, Erase(0x08003000)}, {40, Address(0x08003000)}, {40, Data(3)}, {59, kEnd}},
     {ViolationKind::Busy}},
    {"ReportOnceWritten",
     {{0, kBegin}, {0, Erase(0x08003000)}, {40, Address(0x08003000)}, {40, Data(3)}, {60, kEnd}},
     {}},
    {"WriteEndWithoutWriteBegin", {{0, kEnd}}, {ViolationKind::NoWriteBegin}},
    {"FourBlocks", {{0, kBegin}, {0, Data(4)}}, {ViolationKind::BadReport}},
    {"WrongReportId", {{0, {0x02, 0x08, 0x00}}}, {ViolationKind::BadReport}},
    {"ApplicationQueryInBootloader", {{0, {0x01, 0x22}}}, {ViolationKind::UnknownCommand}},
};

class UnitViolation : public ::testing::TestWithParam<ViolationCase> {};

TEST_P(UnitViolation, IsRecordedAndSparesTheProtectedPages) {
    sim::VirtualUnit device;
    device.Plugged(0);
    const Bytes before = device.Flash();
    for (const Step& step : GetParam().steps) {
        Bytes report = Padded(step.report, 80);
        ASSERT_EQ(device.WriteReport(report.data(), report.size(), step.atMs * 1000ull), 0u);
    }

    std::vector<ViolationKind> kinds;
    for (const auto& violation : device.Violations()) kinds.push_back(violation.kind);
    EXPECT_EQ(kinds, GetParam().kinds);
    const size_t app = FLASH_APP_START - sim::kFlashBase;
    const size_t info = INFO_BLOCK_ADDRESS - sim::kFlashBase;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + app, device.Flash().begin()));
    EXPECT_TRUE(std::equal(before.begin() + info, before.end(), device.Flash().begin() + info));
}

INSTANTIATE_TEST_SUITE_P(UnitLink, UnitViolation, ::testing::ValuesIn(kViolationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualUnit, AskingWithNoReplyPendingFailsAndIsRecorded) {
    sim::VirtualUnit device;
    device.Plugged(0);
    Bytes reply(64, 0);
    reply[0] = 0x02;
    EXPECT_EQ(device.GetInputReport(reply.data(), 64, 0), sim::kErrorGenFailure);
    EXPECT_EQ(device.ReadInputReport(reply.data(), 64, 0), sim::kErrorSemTimeout);
    Bytes status = Padded(kStatus);
    device.WriteReport(status.data(), 64, 0);
    EXPECT_EQ(device.GetInputReport(reply.data(), 64, 0), 0u);
    EXPECT_EQ(device.GetInputReport(reply.data(), 64, 0), sim::kErrorGenFailure) << "taken once";
    EXPECT_EQ(device.ViolationCount(ViolationKind::NoReplyPending), 3u);
}

struct ReplyCase {
    const char* name;
    std::function<void(sim::UnitConfig&)> edit;
    Bytes request;
    bool fetched;  // HidD_GetInputReport rather than ReadFile
    Bytes reply;   // then zeros up to 64 bytes
};

const ReplyCase kReplyCases[] = {
    {"BootloaderStatus",
     [](auto& c) { c.status = {0x80, 0x11, 0x2233, 0x44556677, 0x8899AABB, 0xCC, 3, 0}; },
     kStatus,
     true,
     {0x02, 0x00, 0x00, 0x80, 0x11, 0x33, 0x22, 0x77, 0x66, 0x55, 0x44, 0xBB, 0xAA, 0x99, 0x88,
      0xCC}},
    {"ApplicationStatus",
     [](auto& c) {
         c.mode = sim::UnitMode::Application;
         c.status.appType = 3;
         c.status.appWord = 0x0405;
         c.SetFirmwareVersion(0x00010000);
         c.SetFirmwareInfo(0x0A0B0C0D);
     },
     kStatus,
     true,
     {0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x05, 0x04, 0x00, 0x00, 0x01, 0x00, 0x0D, 0x0C, 0x0B,
      0x0A}},
    {"InformationBlock",
     [](auto& c) { c.infoBlock = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}; },
     WithAddress({0x01, 0x0A, 0x0C}, 0x0801FC00),
     true,
     {0x02, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
    {"QueryErrorReply",
     [](auto& c) {
         c.mode = sim::UnitMode::Application;
         c.queryB.errorCode = 0x0102;
     },
     {0x01, 0x22},
     false,
     {0x02, 0xFF, 0x00, 0x00, 0x02, 0x01}},
    {"QueryDataReply",
     [](auto& c) {
         c.mode = sim::UnitMode::Application;
         c.queryA.data = {0xA1, 0xA2, 0xA3};
     },
     {0x01, 0x1D, 0x08, 0x00, 0x20, 0x00, 0x00, 0x00, 0xE0, 0xFF, 0xFF, 0xFF},
     false,
     {0x02, 0x1D, 0x00, 0x00, 0xA1, 0xA2, 0xA3}},
};

class UnitReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(UnitReply, CarriesTheConfiguredFields) {
    sim::UnitConfig config;
    GetParam().edit(config);
    sim::VirtualUnit device(config);
    device.Plugged(0);
    Bytes request = Padded(GetParam().request);
    ASSERT_EQ(device.WriteReport(request.data(), 64, 0), 0u);

    Bytes reply(64, 0xEE);
    reply[0] = 0x02;
    uint32_t error = GetParam().fetched ? device.GetInputReport(reply.data(), 64, 0)
                                        : device.ReadInputReport(reply.data(), 64, 0);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(reply, Padded(GetParam().reply));
    EXPECT_TRUE(device.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(UnitLink, UnitReply, ::testing::ValuesIn(kReplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualUnit, FailsAndAsksForRemovalAtTheGivenReports) {
    sim::UnitConfig config;
    config.faults.failReport = 2;
    config.faults.failReportError = 1167;
    config.faults.unplugAfterReport = 3;
    sim::VirtualUnit device(config);
    device.Plugged(0);
    Bytes report = Padded(kStatus);

    EXPECT_EQ(device.WriteReport(report.data(), 64, 0), 0u);
    EXPECT_FALSE(device.RemovalRequested());
    EXPECT_EQ(device.WriteReport(report.data(), 64, 0), 1167u);
    EXPECT_EQ(device.WriteReport(report.data(), 64, 0), 0u);
    EXPECT_TRUE(device.RemovalRequested());

    EXPECT_EQ(device.OutputReportsSincePlugging(), 3u);
    EXPECT_EQ(device.Transcript().size(), 2u) << "the failed report never arrived";
}

TEST(VirtualUnit, TraceHasALinePerReport) {
    sim::UnitConfig config;
    config.tracePath = ::testing::TempDir() + "servika_trace.txt";
    sim::VirtualUnit device(config);
    device.Plugged(5'000'000);
    Bytes status = Padded(kStatus);
    Bytes erase = Padded(Erase(0x0801F800));
    device.WriteReport(status.data(), 64, 5'000'000);
    device.WriteReport(erase.data(), 64, 5'040'999);

    std::ifstream trace(config.tracePath);
    std::stringstream text;
    text << trace.rdbuf();
    EXPECT_FALSE(device.TraceFailed());
    EXPECT_EQ(text.str(), "0 010800" + std::string(122, '0') + "\n" + "40 01030400f80108" +
                              std::string(114, '0') + "\n");
}

// The parts of a configuration a scenario string sets.
struct Summary {
    sim::UnitMode mode;
    uint16_t productId, inputLength, outputLength, appType;
    uint32_t bootloader;
    std::array<uint8_t, 12> infoBlock;
    uint32_t failReport, failError, unplugReport, statusError;
    std::string trace;
    bool operator==(const Summary&) const = default;
};

Summary SummaryOf(const sim::UnitConfig& c) {
    return {c.mode,
            c.productId,
            c.inputReportLength,
            c.outputReportLength,
            c.status.appType,
            c.status.bootloaderVersion,
            c.infoBlock,
            c.faults.failReport,
            c.faults.failReportError,
            c.faults.unplugAfterReport,
            c.faults.statusFetchError,
            c.tracePath};
}

struct ScenarioCase {
    const char* text;
    std::function<void(sim::UnitConfig&)> expected;  // applied to the default unit
};

const ScenarioCase kScenarioCases[] = {
    {"", [](auto&) {}},
    {" ; mode=boot ;; ", [](auto&) {}},
    {"mode=app",
     [](auto& c) {
         c.mode = sim::UnitMode::Application;
         c.productId = 2;
     }},
    {"pid=1;mode=app", [](auto& c) { c.mode = sim::UnitMode::Application; }},
    {"bootloader=0x00020001;firmware=65536",
     [](auto& c) {
         c.status.bootloaderVersion = 0x00020001;
         c.SetFirmwareVersion(0x00010000);
     }},
    {"firmware=0xFFFF;firmware=none", [](auto&) {}},
    {"apptype=2;pid=3;inlen=65;outlen=0x33",
     [](auto& c) {
         c.status.appType = 2;
         c.productId = 3;
         c.inputReportLength = 65;
         c.outputReportLength = 0x33;
     }},
    {"fail_report=5", [](auto& c) { c.faults.failReport = 5; }},
    {"error=1167;fail_report=5",
     [](auto& c) {
         c.faults.failReport = 5;
         c.faults.failReportError = 1167;
     }},
    {"unplug_report=100;no_status;trace=/tmp/unit trace.txt",
     [](auto& c) {
         c.faults.unplugAfterReport = 100;
         c.faults.statusFetchError = sim::kErrorGenFailure;
         c.tracePath = "/tmp/unit trace.txt";
     }},
};

void PrintTo(const ScenarioCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class Scenario : public ::testing::TestWithParam<ScenarioCase> {};

TEST_P(Scenario, SetsTheUnit) {
    sim::UnitConfig parsed;
    EXPECT_EQ(sim::ParseScenario(GetParam().text, &parsed), "");
    sim::UnitConfig expected;
    GetParam().expected(expected);
    EXPECT_EQ(SummaryOf(parsed), SummaryOf(expected));
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Scenario, ::testing::ValuesIn(kScenarioCases));

struct BadScenarioCase {
    const char* text;
    const char* message;
};

const BadScenarioCase kBadScenarioCases[] = {
    {"mode=fast", "bad item \"mode=fast\": mode must be boot or app"},
    {"pid=2;pid=abc",
     "bad item \"pid=abc\": pid must be a number from 0 to 65535 (decimal or 0x-hex)"},
    {"pid=65536",
     "bad item \"pid=65536\": pid must be a number from 0 to 65535 (decimal or 0x-hex)"},
    {"inlen=0", "bad item \"inlen=0\": inlen must be a number from 1 to 65535 (decimal or 0x-hex)"},
    {"bootloader=0x100000000",
     "bad item \"bootloader=0x100000000\": bootloader must be a number "
     "from 0 to 4294967295 (decimal or 0x-hex)"},
    {"fail_report=0",
     "bad item \"fail_report=0\": fail_report must be a number from 1 to "
     "4294967295 (decimal or 0x-hex)"},
    {"firmware=",
     "bad item \"firmware=\": firmware must be a number from 0 to 4294967295 "
     "(decimal or 0x-hex)"},
    {"speed=3", "bad item \"speed=3\": unknown key"},
    {"no_status=1", "bad item \"no_status=1\": no_status takes no value"},
    {"mode=app;pid", "bad item \"pid\": expected key=value"},
    {"trace=", "bad item \"trace=\": trace needs a path"},
    {"error=31;mode=app", "bad item \"error=31\": error needs fail_report"},
};

void PrintTo(const BadScenarioCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class BadScenario : public ::testing::TestWithParam<BadScenarioCase> {};

TEST_P(BadScenario, IsRefusedNamingTheItem) {
    sim::UnitConfig config;
    config.status.appType = 9;
    EXPECT_EQ(sim::ParseScenario(GetParam().text, &config), GetParam().message);
    EXPECT_EQ(config.status.appType, 9) << "the configuration stays as it was";
    EXPECT_EQ(config.mode, sim::UnitMode::Bootloader);
}

INSTANTIATE_TEST_SUITE_P(UnitLink, BadScenario, ::testing::ValuesIn(kBadScenarioCases));

}  // namespace
