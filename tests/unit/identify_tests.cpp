// Identifying the opened unit: report lengths, mode, versions, and the record every failure
// leaves behind.
#include <functional>

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

// A status reply in which every field has its own value, so a field read from the wrong
// offset shows.
sim::UnitConfig DistinctFields(const std::string& scenario) {
    sim::UnitConfig config = ScenarioConfig(scenario);
    config.status.bootLeadByte = 0x11;
    config.status.bootWord = 0x2233;
    config.status.bootloaderVersion = 0x44556677;
    config.status.bootDword = 0x8899AABB;
    config.status.bootTailByte = 0xCC;
    config.status.appType = 2;
    config.status.appWord = 0x5566;
    config.infoBlock = {0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x01, 0x00, 0x0D, 0x0C, 0x0B, 0x0A};
    return config;
}

struct ModeCase {
    const char* name;
    sim::UnitConfig config;
    std::vector<uint8_t> commands;
    Fields fields;
    bool blocksFilled;
};

sim::UnitConfig WithModeByte(uint8_t value) {
    sim::UnitConfig config = DistinctFields("");
    config.status.bootModeByte = value;
    return config;
}

sim::UnitConfig WithoutFirmware() {
    sim::UnitConfig config = DistinctFields("");
    config.infoBlock = sim::UnitConfig::NoFirmwareInfoBlock();
    return config;
}

sim::UnitConfig ApplicationOfType(uint16_t type) {
    sim::UnitConfig config = DistinctFields("mode=app");
    config.status.appType = type;
    return config;
}

const ModeCase kModeCases[] = {
    {"Bootloader",
     WithModeByte(1),
     {0x08, 0x0A},
     {64, 64, 1, 0x00010000, 0x0A0B0C0D, 0, 0, 0x11, 0x2233, 0x44556677, 0x8899AABB, 0xCC},
     false},
    {"ModeByte0x80IsBootloader",
     WithModeByte(0x80),
     {0x08, 0x0A},
     {64, 64, 0x80, 0x00010000, 0x0A0B0C0D, 0, 0, 0x11, 0x2233, 0x44556677, 0x8899AABB, 0xCC},
     false},
    {"BootloaderWithoutFirmware",
     WithoutFirmware(),
     {0x08, 0x0A},
     {64, 64, 1, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0x11, 0x2233, 0x44556677, 0x8899AABB, 0xCC},
     false},
    {"ApplicationType2",
     ApplicationOfType(2),
     {0x08},
     {64, 64, 0, 0x00010000, 0x0A0B0C0D, 2, 0x5566, 0, 0, 0, 0, 0},
     false},
    {"ApplicationType3",
     ApplicationOfType(3),
     {0x08, 0x1D, 0x22},
     {64, 64, 0, 0x00010000, 0x0A0B0C0D, 3, 0x5566, 0, 0, 0, 0, 0},
     true},
};

class Mode : public UnitLinkTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(Mode, FillsTheFieldsOfTheMode) {
    const ModeCase& c = GetParam();
    auto device = Plug(c.config);

    EXPECT_EQ(FindUnit(&unit), 0);

    EXPECT_EQ(Commands(*device), c.commands);
    EXPECT_EQ(FieldsOf(unit), c.fields);
    if (c.blocksFilled) {
        EXPECT_TRUE(std::equal(std::begin(unit.appBlockA), std::end(unit.appBlockA),
                               c.config.queryA.data.begin()));
        EXPECT_TRUE(std::equal(std::begin(unit.appBlockB), std::end(unit.appBlockB),
                               c.config.queryB.data.begin()));
    } else {
        EXPECT_TRUE(BlocksZero(unit));
    }
    EXPECT_TRUE(device->Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Mode, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    std::string scenario;
    std::function<void(sim::UnitConfig&)> edit;
    int32_t result;
    std::vector<uint8_t> commands;
    Fields fields;  // the record keeps what was stored before the failing step
    bool blockAFilled = false;
};

// What the default unit's status reply puts in the record.
constexpr Fields kLengths{64, 64};
constexpr Fields kBootStatus{64, 64, 1, 0, 0, 0, 0, 0, 0, 0x00010003, 0, 0};
constexpr Fields kAppStatus{64, 64, 0, 0xFFFFFFFF, 0xFFFFFFFF, 3, 0, 0, 0, 0, 0, 0};

void NoEdit(sim::UnitConfig&) {}

const FailureCase kFailureCases[] = {
    {"NoPreparsedData",
     "",
     [](auto& c) { c.faults.preparsedDataError = ERROR_GEN_FAILURE; },
     -1,
     {},
     Fields{}},
    {"NoCapabilities", "", [](auto& c) { c.faults.capabilitiesFail = true; }, -1, {}, Fields{}},
    {"InputReportTooLong", "inlen=1025", NoEdit, -1, {}, {64, 1025}},
    {"OutputReportTooLong", "outlen=1025", NoEdit, -1, {}, {1025, 64}},
    {"OutputReportTooShortForThreeBlocks", "outlen=50", NoEdit, -1, {}, {50, 64}},
    {"StatusNotWritten", "fail_report=1", NoEdit, -2, {}, kLengths},
    {"StatusNotFetched", "no_status", NoEdit, -3, {0x08}, kLengths},
    {"MemoryNotWritten", "fail_report=2", NoEdit, -1, {0x08}, kBootStatus},
    {"PulledAfterMemoryRequest", "unplug_report=2", NoEdit, -3, {0x08, 0x0A}, kBootStatus},
    {"MemoryNotFetched",
     "",
     [](auto& c) { c.faults.memoryFetchError = ERROR_GEN_FAILURE; },
     -3,
     {0x08, 0x0A},
     kBootStatus},
    {"QueryAErrorCode5",
     "mode=app",
     [](auto& c) { c.queryA.errorCode = 5; },
     5,
     {0x08, 0x1D},
     kAppStatus},
    {"QueryANotRead",
     "mode=app",
     [](auto& c) { c.queryA.readError = ERROR_GEN_FAILURE; },
     -3,
     {0x08, 0x1D},
     kAppStatus},
    {"QueryBNotWritten", "mode=app;fail_report=3", NoEdit, -2, {0x08, 0x1D}, kAppStatus, true},
    {"QueryBErrorCode7",
     "mode=app",
     [](auto& c) { c.queryB.errorCode = 7; },
     7,
     {0x08, 0x1D, 0x22},
     kAppStatus,
     true},
};

class IdentifyFailure : public UnitLinkTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(IdentifyFailure, LeavesTheRecordOpen) {
    const FailureCase& c = GetParam();
    sim::UnitConfig config = ScenarioConfig(c.scenario);
    c.edit(config);
    auto device = Plug(config);

    EXPECT_EQ(FindUnit(&unit), c.result);

    EXPECT_NE(unit.handle, INVALID_HANDLE_VALUE);
    EXPECT_NE(unit.devicePath, nullptr);
    EXPECT_EQ(FieldsOf(unit), c.fields);
    EXPECT_EQ(std::equal(std::begin(unit.appBlockA), std::end(unit.appBlockA),
                         config.queryA.data.begin()),
              c.blockAFilled);
    EXPECT_TRUE(std::all_of(std::begin(unit.appBlockB), std::end(unit.appBlockB),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(Commands(*device), c.commands);
    EXPECT_EQ(sim::hid::LivePreparsedData(), 0u);
}

INSTANTIATE_TEST_SUITE_P(UnitLink, IdentifyFailure, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct LengthCase {
    const char* name;
    const char* scenario;
};

// Lengths the buffers hold, the shortest output report that carries three blocks included.
const LengthCase kLengthCases[] = {
    {"Output51", "outlen=51"},
    {"Input20", "inlen=20"},
    {"Both1024", "outlen=1024;inlen=1024"},
    {"Output51Application", "mode=app;outlen=51"},
    {"Both1024Application", "mode=app;outlen=1024;inlen=1024"},
};

class AcceptedLengths : public UnitLinkTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(AcceptedLengths, EveryReportHasTheUnitsLength) {
    auto device = Plug(GetParam().scenario);

    ASSERT_EQ(FindUnit(&unit), 0);
    ASSERT_EQ(WriteBlocks(&unit, 3, device->Flash().data()), 0);

    EXPECT_GE(device->Transcript().size(), 3u);
    for (const auto& report : device->Transcript()) {
        EXPECT_EQ(report.bytes.size(), device->Config().outputReportLength);
    }
    EXPECT_EQ(device->ViolationCount(sim::ViolationKind::BadReport), 0u);
}

INSTANTIATE_TEST_SUITE_P(UnitLink, AcceptedLengths, ::testing::ValuesIn(kLengthCases),
                         [](const auto& info) { return std::string(info.param.name); });

using Identify = UnitLinkTest;

TEST_F(Identify, NeedsAnOpenRecord) {
    EXPECT_EQ(IdentifyUnit(&unit), -1);
    Plug();
    ASSERT_EQ(OpenUnit(&unit), 0);
    wchar_t* path = unit.devicePath;
    unit.devicePath = nullptr;
    EXPECT_EQ(IdentifyUnit(&unit), -1);
    unit.devicePath = path;
}

TEST_F(Identify, NoUnitSendsNothing) {
    auto other = Plug("pid=3");
    EXPECT_EQ(FindUnit(&unit), -4);
    ExpectEmpty(unit);
    EXPECT_EQ(other->OutputReportsSincePlugging(), 0u);
}

}  // namespace
