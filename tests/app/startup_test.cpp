// What the user sees when the program starts, for every way the search for the unit can end.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/program.h"

namespace {

using namespace program;
using sim::user::Do;

enum class Outcome { NoUnit, WrongMode, Ready, NotStarted };

struct StartCase {
    const char* name;
    const char* scenario;  // null: nothing plugged
    bool refuseNotifications;
    Outcome outcome;
    UINT situation;  // the pane's first text
};

// Everything a person could see, taken while the dialog runs.
struct Seen {
    std::wstring title, pane, labelBootloader, labelUnit;
    bool updateEnabled = false, thirdRowVisible = true, unitHeld = false;
    size_t handlesOpen = 0;
    VersionRows versions;
};

Seen Look() {
    Seen seen;
    seen.title = sim::user::Text(sim::user::MainDialog());
    seen.pane = sim::user::Text(IDC_STATUS_TEXT);
    seen.labelBootloader = sim::user::Text(IDC_LABEL_FW1);
    seen.labelUnit = sim::user::Text(IDC_LABEL_FW2);
    seen.updateEnabled = sim::user::IsEnabled(IDC_UPDATE);
    seen.thirdRowVisible =
        sim::user::IsVisible(IDC_LABEL_FW3) || sim::user::IsVisible(IDC_VERSION_FW3);
    seen.unitHeld = UnitHeld();
    seen.handlesOpen = sim::OpenHandleCount();
    seen.versions = ReadVersionRows();
    return seen;
}

class StartUp : public ProgramTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartUp, ShowsWhatWasFound) {
    const StartCase& c = GetParam();
    std::shared_ptr<sim::VirtualUnit> unit;
    if (c.scenario) unit = PlugUnit(c.scenario);
    if (c.refuseNotifications) sim::user::RefuseDeviceNotifications(ERROR_INVALID_PARAMETER);

    Seen seen;
    if (c.outcome == Outcome::NotStarted) {
        sim::user::Then(sim::user::Answer(IDOK));
        EXPECT_EQ(RunProgram(), 0);
        ExpectNothingLeftOpen();
        ASSERT_EQ(sim::user::Boxes().size(), 1u);
        const sim::user::BoxRecord& box = sim::user::Boxes()[0];
        EXPECT_EQ(box.caption, Text(IDS_APP_ERROR));
        EXPECT_EQ(box.text, Text(IDS_ERR_NOTIFY_REGISTER));
        EXPECT_EQ(box.type, MB_ICONERROR);
        EXPECT_EQ(box.owner, sim::user::MainDialog());
        EXPECT_FALSE(sim::user::DialogEverShown());
        EXPECT_EQ(unit->Transcript().size(), 0u) << "the unit was looked for";
        EXPECT_EQ(sim::hid::TimesOpened(unit->Config().path), 0u);
        return;
    }

    RunWith({Do("look", [&] { seen = Look(); })});
    EXPECT_TRUE(sim::user::Boxes().empty());
    EXPECT_EQ(seen.title, L"VELDRAMON SERVIKA Firmware Updater 1.00");
    EXPECT_EQ(seen.labelBootloader, L"Bootloader");
    EXPECT_EQ(seen.labelUnit, L"SERVIKA");
    EXPECT_FALSE(seen.thirdRowVisible);
    // The template's text stays in the hidden third row whatever was found.
    EXPECT_EQ(seen.versions.third, c.outcome == Outcome::Ready ? L"0.00.00" : L"0.0.0");

    if (c.outcome == Outcome::Ready) {
        EXPECT_EQ(seen.pane, Text(IDS_READY));
        EXPECT_TRUE(seen.updateEnabled);
        EXPECT_TRUE(seen.unitHeld);
        EXPECT_EQ(seen.handlesOpen, 1u);
        EXPECT_EQ(seen.versions.bootloader, L"1.02.03");
        EXPECT_EQ(seen.versions.firmware, L"----------");
        for (bool enabled : seen.versions.enabled) EXPECT_TRUE(enabled);
    } else {
        EXPECT_EQ(seen.pane, Situation(c.situation));
        EXPECT_FALSE(seen.updateEnabled);
        EXPECT_FALSE(seen.unitHeld);
        EXPECT_EQ(seen.handlesOpen, 0u) << "a unit that was opened stays open";
        EXPECT_EQ(seen.versions.bootloader, L"0.0.0");
        EXPECT_EQ(seen.versions.firmware, L"0.0.0");
        for (bool enabled : seen.versions.enabled) EXPECT_FALSE(enabled);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StartUp,
    ::testing::Values(
        StartCase{"NoUnit", nullptr, false, Outcome::NoUnit, IDS_NO_UNIT},
        StartCase{"UnitInApplicationMode", "mode=app;apptype=2", false, Outcome::WrongMode,
                  IDS_WRONG_MODE},
        StartCase{"UnitInBootloader", "bootloader=0x01020304;firmware=none", false,
                  Outcome::Ready, IDS_READY},
        StartCase{"UnitNotAnsweringStatus", "no_status", false, Outcome::NoUnit, IDS_NO_UNIT},
        StartCase{"RegistrationRefused", "", true, Outcome::NotStarted, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, UnrelatedHidDeviceIsNotTakenForTheUnit) {
    sim::hid::PlugKeyboard(L"\\\\?\\hid#vid_045e&pid_0750#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                           true);
    std::wstring pane;
    RunWith({Do("look", [&] { pane = Pane(); })});
    EXPECT_EQ(pane, Situation(IDS_NO_UNIT));
}

TEST_F(ProgramTest, IconAndCommonControlsAreSetUp) {
    RunWith({});
    EXPECT_TRUE(sim::user::CommonControlsInitialized());
    ASSERT_NE(sim::user::ClassIcon(), nullptr);
    EXPECT_EQ(sim::user::IconResource(sim::user::ClassIcon()), uint16_t{IDI_APP});
}

TEST_F(ProgramTest, RegistersForHidInterfacesOfItsWindow) {
    RunWith({});
    ASSERT_EQ(sim::user::Registrations().size(), 1u);
    const sim::user::RegistrationRecord& registration = sim::user::Registrations()[0];
    EXPECT_EQ(registration.recipient, sim::user::MainDialog());
    EXPECT_EQ(registration.flags, DEVICE_NOTIFY_WINDOW_HANDLE);
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    ASSERT_GE(registration.filter.size(), 28u);
    std::memcpy(&filter, registration.filter.data(), 28);
    EXPECT_EQ(filter.dbcc_size, 32u);
    EXPECT_EQ(filter.dbcc_devicetype, DBT_DEVTYP_DEVICEINTERFACE);
    EXPECT_EQ(filter.dbcc_reserved, 0u);
    EXPECT_TRUE(sim::hid::SameGuid(filter.dbcc_classguid, sim::hid::HidClassGuid()));
    EXPECT_FALSE(registration.live);
}

}  // namespace
