// Finding the unit among the HID interfaces: which one is opened, which are skipped, and the
// record each outcome leaves.
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

struct Device {
    std::string scenario;  // a virtual unit; "keyboard" plugs a keyboard instead
    uint16_t vendorId = UNIT_VENDOR_ID;
    DWORD openError = 0;
    DWORD attributesError = 0;
    std::wstring path = {};  // empty: one of its own
};

struct DiscoveryCase {
    const char* name;
    std::vector<Device> devices;  // in enumeration order
    int opened;                   // the device OpenUnit holds, -1 for none
    std::vector<size_t> timesOpened;
};

const std::wstring kLongPath = L"\\\\?\\hid#vid_21b8&pid_0001#" + std::wstring(300, L'a') + L"#x";

const DiscoveryCase kDiscoveryCases[] = {
    {"NoDevice", {}, -1, {}},
    {"ProductId3IsOpenedAndSkipped", {{"pid=3"}}, -1, {1}},
    {"UnitAfterProductId3", {{"pid=3"}, {""}}, 1, {1, 1}},
    {"Pid1BeforePid2", {{""}, {"pid=2"}}, 0, {1, 0}},
    {"Pid2BeforePid1", {{"pid=2"}, {""}}, 0, {1, 0}},
    {"TwoUnitsWithTheSameIds", {{""}, {""}}, 0, {1, 0}},
    {"UnopenableInterfaceSkipped", {{"", UNIT_VENDOR_ID, ERROR_ACCESS_DENIED}, {""}}, 1, {0, 1}},
    {"KeyboardSkipped", {{"keyboard"}, {"mode=app"}}, 1, {0, 1}},
    {"OtherVendorSkipped", {{"", 0x1234}, {""}}, 1, {1, 1}},
    {"UnreadableAttributesSkipped",
     {{"", UNIT_VENDOR_ID, 0, ERROR_GEN_FAILURE}, {"pid=2"}},
     1,
     {1, 1}},
    {"LongPathCopiedWhole", {{"", UNIT_VENDOR_ID, 0, 0, kLongPath}}, 0, {1}},
};

class Discovery : public UnitLinkTest, public ::testing::WithParamInterface<DiscoveryCase> {};

TEST_P(Discovery, OpensTheFirstMatchingInterfaceOnly) {
    const DiscoveryCase& c = GetParam();
    std::vector<std::wstring> paths;
    std::vector<std::shared_ptr<sim::VirtualUnit>> units;
    for (const Device& device : c.devices) {
        std::wstring path = device.path.empty()
                                ? L"\\\\?\\hid#device_" + std::to_wstring(paths.size()) + L"#1"
                                : device.path;
        paths.push_back(path);
        if (device.scenario == "keyboard") {
            ASSERT_TRUE(sim::hid::PlugKeyboard(path));
            continue;
        }
        sim::UnitConfig config = ScenarioConfig(device.scenario);
        config.path = path;
        config.vendorId = device.vendorId;
        config.faults.openError = device.openError;
        config.faults.attributesError = device.attributesError;
        units.push_back(Plug(config));
    }

    int32_t result = OpenUnit(&unit);

    if (c.opened < 0) {
        EXPECT_EQ(result, -4);
        ExpectEmpty(unit);
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_NE(unit.handle, INVALID_HANDLE_VALUE);
        ASSERT_NE(unit.devicePath, nullptr);
        EXPECT_EQ(std::wstring(unit.devicePath), paths[c.opened]);
        EXPECT_EQ(FieldsOf(unit), Fields{}) << "nothing is read from the unit yet";
        EXPECT_TRUE(BlocksZero(unit));
    }
    EXPECT_EQ(sim::OpenHandleCount(), c.opened < 0 ? 0u : 1u);
    EXPECT_EQ(sim::hid::LiveDeviceInfoSets(), 0u);
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(sim::hid::TimesOpened(paths[i]), c.timesOpened[i]) << "device " << i;
    }
    for (const auto& device : units) EXPECT_TRUE(device->Transcript().empty());
}

INSTANTIATE_TEST_SUITE_P(UnitLink, Discovery, ::testing::ValuesIn(kDiscoveryCases),
                         [](const auto& info) { return std::string(info.param.name); });

using Record = UnitLinkTest;

TEST_F(Record, CurrentUnitHoldsNoUnitAtStart) {
    ExpectEmpty(CurrentUnit);
}

TEST_F(Record, ResetTwiceReleasesOnce) {
    Plug();
    ASSERT_EQ(OpenUnit(&unit), 0);
    ResetUnitRecord(&unit);
    ExpectEmpty(unit);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
    ResetUnitRecord(&unit);
    ExpectEmpty(unit);
}

TEST_F(Record, OpenClosesTheHeldUnitFirst) {
    auto first = Plug();
    ASSERT_EQ(FindUnit(&unit), 0);
    HANDLE held = unit.handle;

    // Still present: opened again on a new handle, the old one closed.
    ASSERT_EQ(OpenUnit(&unit), 0);
    EXPECT_NE(unit.handle, held);
    EXPECT_EQ(sim::OpenHandleCount(), 1u);
    EXPECT_EQ(FieldsOf(unit), Fields{});

    // Gone now: nothing matches and the record ends empty.
    sim::PullVirtualUnit(*first);
    EXPECT_EQ(OpenUnit(&unit), -4);
    ExpectEmpty(unit);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
}

TEST_F(Record, NoListOfInterfacesEmptiesTheRecord) {
    Plug();
    ASSERT_EQ(OpenUnit(&unit), 0);
    sim::hid::SetClassDevsError(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(OpenUnit(&unit), -1);
    ExpectEmpty(unit);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
}

}  // namespace
