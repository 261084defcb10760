// Following the unit as it is plugged in and pulled out while the program runs.
#include <gtest/gtest.h>

#include <cwctype>

#include "tests/support/program.h"

namespace {

using namespace program;
using sim::user::Do;
using sim::user::Step;

const std::wstring KEYBOARD = L"\\\\?\\hid#vid_045e&pid_0750#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// What the window shows once the steps are done.
struct Shown {
    std::wstring pane;
    bool updateEnabled = false, held = false;
    VersionRows versions;
};

Step Look(Shown* shown) {
    return Do("look", [shown] {
        *shown = {sim::user::Text(IDC_STATUS_TEXT), sim::user::IsEnabled(IDC_UPDATE), UnitHeld(),
                  ReadVersionRows()};
    });
}

Step Plug(std::shared_ptr<sim::VirtualUnit>* unit, const char* scenario = "") {
    return Do("plug a unit", [unit, scenario] { *unit = sim::PlugVirtualUnit(Scenario(scenario)); });
}

Step Pull(std::shared_ptr<sim::VirtualUnit>* unit) {
    return Do("pull the unit", [unit] { sim::PullVirtualUnit(**unit); });
}

Step SendRemoval(std::wstring path, DWORD type = DBT_DEVTYP_DEVICEINTERFACE) {
    return Do("a removal is announced", [path, type] {
        sim::user::SendDeviceChange(DBT_DEVICEREMOVECOMPLETE, sim::user::InterfaceBroadcast(path, type));
    });
}

enum class Expect { NoUnit, Disconnected, WrongMode, Ready };

void ExpectShown(const Shown& shown, Expect expect, bool held) {
    EXPECT_EQ(shown.held, held);
    switch (expect) {
        case Expect::Ready:
            EXPECT_EQ(shown.pane, Text(IDS_READY));
            EXPECT_TRUE(shown.updateEnabled);
            EXPECT_EQ(shown.versions.bootloader, L"1.00");
            return;
        case Expect::NoUnit: EXPECT_EQ(shown.pane, Situation(IDS_NO_UNIT)); break;
        case Expect::Disconnected: EXPECT_EQ(shown.pane, Situation(IDS_DISCONNECTED)); break;
        case Expect::WrongMode: EXPECT_EQ(shown.pane, Situation(IDS_WRONG_MODE)); break;
    }
    EXPECT_FALSE(shown.updateEnabled);
    EXPECT_EQ(shown.versions.bootloader, L"0.0.0");
    EXPECT_EQ(shown.versions.firmware, L"0.0.0");
}

struct Transition {
    const char* name;
    const char* atStart;  // null: nothing plugged when the program starts
    std::vector<Step> (*steps)(std::shared_ptr<sim::VirtualUnit>* first,
                               std::shared_ptr<sim::VirtualUnit>* second);
    Expect expect;
    bool held;
};

class Transitions : public ProgramTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(Transitions, ShowTheUnitAsItComesAndGoes) {
    const Transition& t = GetParam();
    std::shared_ptr<sim::VirtualUnit> first, second;
    if (t.atStart) first = PlugUnit(t.atStart);
    Shown shown;
    std::vector<Step> steps = t.steps(&first, &second);
    steps.push_back(Look(&shown));
    RunWith(steps);
    ExpectShown(shown, t.expect, t.held);
}

using Units = std::shared_ptr<sim::VirtualUnit>*;

INSTANTIATE_TEST_SUITE_P(
    Table, Transitions,
    ::testing::Values(
        Transition{"UnrelatedArrival", nullptr,
                   [](Units, Units) {
                       return std::vector<Step>{Do("plug a keyboard", [] { sim::hid::PlugKeyboard(KEYBOARD, true); })};
                   },
                   Expect::NoUnit, false},
        Transition{"ArrivalInBootloaderAfterNoUnit", nullptr,
                   [](Units a, Units) { return std::vector<Step>{Plug(a)}; }, Expect::Ready, true},
        Transition{"ArrivalInBootloaderAfterDisconnect", "",
                   [](Units a, Units) {
                       return std::vector<Step>{Pull(a), Do("plug it again", [a] { sim::ReplugVirtualUnit(*a); })};
                   },
                   Expect::Ready, true},
        Transition{"ArrivalInApplicationMode", nullptr,
                   [](Units a, Units) { return std::vector<Step>{Plug(a, "mode=app")}; },
                   Expect::WrongMode, false},
        Transition{"ArrivalNotIdentified", nullptr,
                   [](Units a, Units) { return std::vector<Step>{Plug(a, "no_status")}; },
                   Expect::NoUnit, true},
        // Held without identification: a ready unit arriving later is ignored...
        Transition{"ArrivalWhileUnidentifiedHeld", nullptr,
                   [](Units a, Units b) { return std::vector<Step>{Plug(a, "no_status"), Plug(b, "pid=2")}; },
                   Expect::NoUnit, true},
        // ...until the held one leaves, which shows the disconnected text.
        Transition{"RemovalOfUnidentified", nullptr,
                   [](Units a, Units) { return std::vector<Step>{Plug(a, "no_status"), Pull(a)}; },
                   Expect::Disconnected, false},
        Transition{"RemovalOfReadyUnit", "", [](Units a, Units) { return std::vector<Step>{Pull(a)}; },
                   Expect::Disconnected, false},
        Transition{"RemovalAfterSuccessfulUpdate", "",
                   [](Units a, Units) { return std::vector<Step>{sim::user::Click(IDC_UPDATE), Pull(a)}; },
                   Expect::Disconnected, false},
        Transition{"SecondUnitComesAndGoes", "",
                   [](Units, Units b) { return std::vector<Step>{Plug(b, "pid=2"), Pull(b)}; },
                   Expect::Ready, true},
        Transition{"RemovalAfterWrongMode", "mode=app",
                   [](Units a, Units) { return std::vector<Step>{Pull(a)}; }, Expect::WrongMode, false},
        Transition{"RemovalOfOtherDevice", "",
                   [](Units, Units) {
                       return std::vector<Step>{Do("plug a keyboard", [] { sim::hid::PlugKeyboard(KEYBOARD); }),
                                                Do("pull it", [] { sim::hid::Pull(KEYBOARD); })};
                   },
                   Expect::Ready, true},
        Transition{"RemovalPathInCapitals", "",
                   [](Units a, Units) {
                       std::wstring path = (*a)->Config().path;
                       for (wchar_t& c : path) c = wchar_t(std::towupper(c));
                       return std::vector<Step>{SendRemoval(path)};
                   },
                   Expect::Disconnected, false},
        Transition{"RemovalPathDiffersElsewhere", "",
                   [](Units a, Units) {
                       std::wstring path = (*a)->Config().path;
                       path.back() = L'!';
                       return std::vector<Step>{SendRemoval(path), SendRemoval(path.substr(0, path.size() - 1))};
                   },
                   Expect::Ready, true},
        Transition{"RemovalOfAnotherDeviceType", "",
                   [](Units a, Units) { return std::vector<Step>{SendRemoval((*a)->Config().path, DBT_DEVTYP_PORT)}; },
                   Expect::Ready, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the letters A to Z fold: a path that differs in the case of another letter is another.
TEST_F(ProgramTest, PathsFoldOnlyTheLettersAToZ) {
    sim::UnitConfig config = Scenario("");
    config.path = L"\\\\?\\hid#vid_21b8&pid_0001#gerät#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    sim::PlugVirtualUnit(config);
    std::wstring other = config.path;
    other.replace(other.find(L'ä'), 1, L"Ä");
    Shown shown;
    RunWith({SendRemoval(other), Look(&shown)});
    ExpectShown(shown, Expect::Ready, true);
}

// What the dialog procedure answered for each device change.
std::vector<INT_PTR> DeviceChangeResults() {
    std::vector<INT_PTR> results;
    for (const auto& delivery : sim::user::Deliveries()) {
        if (delivery.message == WM_DEVICECHANGE) results.push_back(delivery.result);
    }
    return results;
}

TEST_F(ProgramTest, ArrivalAndRemovalAreAnsweredOneOtherEventsZero) {
    auto unit = PlugUnit();
    std::wstring path = unit->Config().path;
    Shown shown;
    RunWith({Do("announce",
                [path] {
                    sim::user::SendDeviceChange(DBT_DEVICEARRIVAL,
                                                sim::user::InterfaceBroadcast(path, DBT_DEVTYP_VOLUME));
                    sim::user::SendDeviceChange(DBT_DEVICEQUERYREMOVE, sim::user::InterfaceBroadcast(path));
                    sim::user::SendDeviceChange(DBT_DEVICEREMOVEPENDING, sim::user::InterfaceBroadcast(path));
                    sim::user::SendDeviceChange(DBT_DEVNODES_CHANGED, {});
                    sim::user::SendDeviceChange(DBT_DEVICEREMOVECOMPLETE,
                                                sim::user::InterfaceBroadcast(path, DBT_DEVTYP_HANDLE));
                }),
             Look(&shown)});
    EXPECT_EQ(DeviceChangeResults(), (std::vector<INT_PTR>{1, 0, 0, 0, 1}));
    ExpectShown(shown, Expect::Ready, true);
}

// An arrival of another device type runs no search, though a unit is there to be found.
TEST_F(ProgramTest, ArrivalOfAnotherDeviceTypeIsIgnored) {
    auto unit = PlugUnit("mode=app");
    Shown shown;
    RunWith({Do("announce a volume",
                [unit] {
                    sim::user::SendDeviceChange(
                        DBT_DEVICEARRIVAL, sim::user::InterfaceBroadcast(unit->Config().path, DBT_DEVTYP_VOLUME));
                }),
             Look(&shown)});
    ExpectShown(shown, Expect::WrongMode, false);
    EXPECT_EQ(sim::hid::TimesOpened(unit->Config().path), 1u);
    EXPECT_EQ(DeviceChangeResults(), (std::vector<INT_PTR>{1}));
}

// The system announces one interface several times; one unit is held and one text shown.
TEST_F(ProgramTest, BurstOfArrivalsFindsTheUnitOnce) {
    std::shared_ptr<sim::VirtualUnit> unit;
    Shown shown;
    size_t handles = 0;
    RunWith({Plug(&unit), Do("announce it again, twice",
                             [&unit] {
                                 for (int i = 0; i < 2; ++i) {
                                     sim::user::SendDeviceChange(
                                         DBT_DEVICEARRIVAL, sim::user::InterfaceBroadcast(unit->Config().path));
                                 }
                             }),
             Look(&shown), Do("count", [&] { handles = sim::OpenHandleCount(); })});
    ExpectShown(shown, Expect::Ready, true);
    EXPECT_EQ(handles, 1u);
    EXPECT_EQ(sim::hid::TimesOpened(unit->Config().path), 1u);
    EXPECT_EQ(DeviceChangeResults(), (std::vector<INT_PTR>{1, 1, 1}));
}

// While the failure box is open no unit is held, so an arrival is a fresh find; the pane still
// ends with the aborted text.
TEST_F(ProgramTest, ArrivalWhileTheFailureBoxIsOpenFindsTheUnitAfresh) {
    PlugUnit("fail_report=150");
    std::shared_ptr<sim::VirtualUnit> second;
    Shown shown;
    RunWith({sim::user::Click(IDC_UPDATE), Plug(&second, "pid=2"), sim::user::Answer(IDOK), Look(&shown)});
    EXPECT_EQ(shown.pane, Text(IDS_ABORTED));
    EXPECT_TRUE(shown.held);
    EXPECT_TRUE(shown.updateEnabled);
    EXPECT_EQ(shown.versions.bootloader, L"1.00");
}

// Pulled while the question is open: No leaves the disconnected text; Yes fails at the first
// report, before anything is written.
TEST_F(ProgramTest, RemovalWhileTheQuestionIsOpen) {
    auto unit = PlugUnit("firmware=0x00020000");
    Shown declined, accepted;
    RunWith({sim::user::Click(IDC_UPDATE), Pull(&unit), sim::user::Answer(IDNO), Look(&declined),
             Do("plug it again", [&unit] { sim::ReplugVirtualUnit(unit); }), sim::user::Click(IDC_UPDATE),
             Pull(&unit), sim::user::Answer(IDYES), sim::user::Answer(IDOK), Look(&accepted)});
    ExpectShown(declined, Expect::Disconnected, false);
    ASSERT_EQ(sim::user::Boxes().size(), 3u);
    EXPECT_EQ(sim::user::Boxes()[2].text,
              Text(IDS_ERR_WRITE_ACCESS) + L"\r\nDas System meldet Fehlercode 0xfffffffe-0x00000006");
    EXPECT_EQ(accepted.pane, Text(IDS_ABORTED));
    EXPECT_FALSE(accepted.held);
    EXPECT_EQ(unit->Transcript().size(), 2u) << "only the identification reached the unit";
}

}  // namespace
