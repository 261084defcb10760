// Every way an update can fail, as the user and the unit see it.
#include <gtest/gtest.h>

#include "tests/update/update_support.h"

namespace {

using namespace update_test;
using sim::user::Click;
using sim::user::Do;

// Reports since plugging: 1 status, 2 memory read, 3 write begin, 4 to 118 the pages,
// 119 the address, 120 to 354 the data, 355 write end, 356 finish.
constexpr uint32_t WRITE_BEGIN = 3;
constexpr uint32_t FIRST_ERASE = 4;
constexpr uint32_t SET_ADDRESS = 119;
constexpr uint32_t FIRST_DATA = 120;
constexpr uint32_t LAST_DATA = 354;
constexpr uint32_t WRITE_END = 355;

struct FailureCase {
    const char* name;
    const char* scenario;
    UINT text;
    const wchar_t* codeLine;  // null: the text stands alone
    uint32_t failingReport;   // the report that was not taken
    bool progressShown;
};

struct WhileOpen {
    std::wstring pane;
    bool updateEnabled = true, unitHeld = true;
    VersionRows versions;
};

class FailingStep : public ProgramTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailingStep, EndsInTheErrorBoxAndTheAbortedText) {
    const FailureCase& c = GetParam();
    auto unit = PlugUnit(c.scenario);
    LoadOldFirmware(*unit);
    WhileOpen seen;
    RunWith({Click(IDC_UPDATE), Do("look while the box is open",
                                   [&] {
                                       seen = {Pane(), UpdateEnabled(), UnitHeld(),
                                               ReadVersionRows()};
                                   }),
             sim::user::Answer(IDOK), Do("look", [&] { seen.pane = Pane(); })});

    ASSERT_EQ(sim::user::Boxes().size(), 1u);
    const sim::user::BoxRecord& box = sim::user::Boxes()[0];
    std::wstring text = Text(c.text);
    if (c.codeLine) text += std::wstring(L"\r\n") + c.codeLine;
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, Text(IDS_UPDATE_FAILED));
    EXPECT_EQ(box.type, MB_ICONERROR);
    EXPECT_EQ(box.owner, sim::user::MainDialog());
    EXPECT_EQ(box.progressWindowsAlive, 0u) << "the progress window outlived the failure";
    EXPECT_EQ(sim::user::ProgressWindows().size(), c.progressShown ? 1u : 0u);

    EXPECT_FALSE(seen.unitHeld);
    EXPECT_FALSE(seen.updateEnabled);
    EXPECT_EQ(seen.versions.bootloader, L"0.0.0");
    EXPECT_EQ(seen.versions.firmware, L"0.0.0");
    EXPECT_EQ(seen.pane, Text(IDS_ABORTED));

    // The flash holds exactly what was sent before the failure.
    uint32_t taken = c.failingReport - 1;
    uint32_t pages = std::clamp<int64_t>(int64_t(taken) - FIRST_ERASE + 1, 0, PAGES);
    size_t chunks = std::clamp<int64_t>(int64_t(taken) - FIRST_DATA + 1, 0, 235);
    EXPECT_EQ(ApplicationArea(*unit), AreaAfter(pages, chunks * 48, CarriedImage()));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailingStep,
    ::testing::Values(
        FailureCase{"WriteBegin", "fail_report=3;error=31", IDS_ERR_WRITE_ACCESS,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000001f", WRITE_BEGIN, false},
        FailureCase{"FirstPage", "fail_report=4;error=31", IDS_ERR_ERASE,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000001f", FIRST_ERASE, false},
        FailureCase{"FiftiethPage", "fail_report=53;error=1167", IDS_ERR_ERASE,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000048f", 53, false},
        FailureCase{"WriteAddress", "fail_report=119;error=31", IDS_ERR_SET_ADDRESS,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000001f", SET_ADDRESS, false},
        FailureCase{"FirstChunk", "fail_report=120;error=31", IDS_ERR_WRITE_BLOCK,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000001f", FIRST_DATA, true},
        FailureCase{"HundredthChunk", "fail_report=219;error=5", IDS_ERR_WRITE_BLOCK,
                    L"Das System meldet Fehlercode 0xfffffffe-0x00000005", 219, true},
        FailureCase{"FinalChunk", "fail_report=354;error=31", IDS_ERR_WRITE_BLOCK,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000001f", LAST_DATA, true},
        FailureCase{"WriteEnd", "fail_report=355;error=31", IDS_ERR_WRITE_BLOCK,
                    L"Das System meldet Fehlercode 0xfffffffe-0x0000001f", WRITE_END, true},
        // Pulled while the data is sent: the next report goes to the emptied record.
        FailureCase{"PulledMidData", "unplug_report=200", IDS_ERR_WRITE_BLOCK,
                    L"Das System meldet Fehlercode 0xfffffffe-0x00000006", 201, true},
        // Pulled after the final chunk: the write end cannot be taken, so it is no success.
        FailureCase{"PulledAfterFinalChunk", "unplug_report=354", IDS_ERR_WRITE_BLOCK,
                    L"Das System meldet Fehlercode 0xfffffffe-0x00000006", WRITE_END, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, UpdateWithNoUnitHeldShowsTheTextAlone) {
    RunWith({Do("press Update as the window still had it",
                [] { sim::user::Post(sim::user::MainDialog(), WM_COMMAND, IDC_UPDATE, 0); }),
             sim::user::Answer(IDOK)});
    ASSERT_EQ(sim::user::Boxes().size(), 1u);
    EXPECT_EQ(sim::user::Boxes()[0].text, Text(IDS_UNIT_GONE));
    EXPECT_EQ(sim::user::Boxes()[0].caption, Text(IDS_UPDATE_FAILED));
    EXPECT_EQ(Pane(), Text(IDS_ABORTED));
}

TEST_F(ProgramTest, FailedFinishAfterTheWriteEndStillSucceeds) {
    auto unit = PlugUnit("fail_report=356");
    RunWith({Click(IDC_UPDATE)});
    EXPECT_TRUE(sim::user::Boxes().empty());
    EXPECT_EQ(Pane(), Text(IDS_SUCCESS));
    EXPECT_EQ(ApplicationArea(*unit), AreaAfter(PAGES, 11264, CarriedImage()));
}

struct ImageCase {
    const char* name;
    bool present;
    size_t length;
};

class UnusableImage : public ProgramTest, public ::testing::WithParamInterface<ImageCase> {};

// An image that cannot be sent whole is refused before anything is erased.
TEST_P(UnusableImage, IsRefusedBeforeTheUnitIsTouched) {
    sim::res::Id type{10, L""}, name{IDR_FIRMWARE, L""};
    if (GetParam().present) {
        sim::res::Replace(type, name, std::vector<uint8_t>(GetParam().length, 0x5A));
    } else {
        sim::res::Remove(type, name);
    }
    auto unit = PlugUnit();
    LoadOldFirmware(*unit);
    RunWith({Click(IDC_UPDATE), sim::user::Answer(IDOK)});
    EXPECT_TRUE(UpdateReports(*unit).empty());
    EXPECT_EQ(ApplicationArea(*unit), AreaAfter(0, 0, {}));
    ASSERT_EQ(sim::user::Boxes().size(), 1u);
    EXPECT_EQ(sim::user::Boxes()[0].text.rfind(Text(IDS_ERR_WRITE_BLOCK) +
                                                    L"\r\nDas System meldet Fehlercode 0x00000004-",
                                                0),
              0u)
        << "status 4: refused before anything was sent";
    EXPECT_EQ(Pane(), Text(IDS_ABORTED));
    EXPECT_TRUE(sim::user::ProgressWindows().empty());
}

INSTANTIATE_TEST_SUITE_P(Images, UnusableImage,
                         ::testing::Values(ImageCase{"Missing", false, 0},
                                           ImageCase{"Empty", true, 0},
                                           ImageCase{"TooLarge", true, APP_AREA_SIZE + 16}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

using namespace update_test;

// Pulled and plugged in again within one message retrieval: the removal and the arrival are
// both handled, and the unit found anew never got write begin, erase and address.
TEST_F(ProgramTest, UnitPluggedInAgainDuringTheDataPhaseGetsNoMoreData) {
    auto unit = PlugUnit();
    sim::user::When([unit] { return unit->OutputReportsSincePlugging() >= 220; },
                    sim::user::Do("pull and plug in again", [unit] {
                        sim::PullVirtualUnit(*unit);
                        sim::ReplugVirtualUnit(unit);
                    }));
    RunWith({sim::user::Click(IDC_UPDATE), sim::user::Answer(IDOK)});
    ASSERT_EQ(sim::user::Boxes().size(), 1u);
    EXPECT_EQ(sim::user::Boxes()[0].text, Text(IDS_ERR_WRITE_BLOCK) +
                                              L"\r\nDas System meldet Fehlercode 0xfffffffe-0x0000048f");
    EXPECT_EQ(Pane(), Text(IDS_ABORTED));
    EXPECT_TRUE(unit->Violations().empty()) << unit->Violations().front().what;
    EXPECT_EQ(unit->Transcript().size(), 2u) << "only the new identification reached it";
}

}  // namespace
