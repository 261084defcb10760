// A whole update from the press of the button to the success text, as the unit and the user
// see it.
#include <gtest/gtest.h>

#include "tests/update/update_support.h"
#include "update/update.h"

namespace {

using namespace update_test;
using sim::user::Click;
using sim::user::Do;

struct Afterwards {
    std::wstring pane;
    bool updateEnabled = true, unitHeld = false;
    VersionRows versions;
};

Afterwards LookAfterwards() {
    return {sim::user::Text(IDC_STATUS_TEXT), sim::user::IsEnabled(IDC_UPDATE), UnitHeld(),
            ReadVersionRows()};
}

TEST_F(ProgramTest, UpdateWritesTheImageInPacedReports) {
    auto unit = PlugUnit("bootloader=0x01020304;firmware=0x0000FFFF");
    LoadOldFirmware(*unit);
    auto bootloaderBefore = unit->ReadFlash(sim::kFlashBase, FLASH_APP_START - sim::kFlashBase);
    auto infoPageBefore = unit->ReadFlash(INFO_BLOCK_ADDRESS, FLASH_PAGE_SIZE);
    Afterwards after;
    RunWith({Click(IDC_UPDATE), Do("look", [&] { after = LookAfterwards(); })});

    const std::vector<uint8_t> image = CarriedImage();
    ASSERT_EQ(image.size(), 11264u);
    auto expected = ExpectedReports(image);
    ASSERT_EQ(expected.size(), 1u + 115 + 1 + 235 + 2);
    ExpectReports(*unit, expected);
    EXPECT_TRUE(unit->Violations().empty()) << unit->Violations().front().what;
    EXPECT_TRUE(sim::user::Boxes().empty()) << "firmware older than the image needs no question";

    // Pauses: 20 ms after write begin, 40 ms after every page and 20 more after the last, 20
    // after the address, at least 20 after every data report; finish right after write end.
    auto reports = UpdateReports(*unit);
    auto gapMs = [&](size_t i) {
        return (reports[i + 1].microseconds - reports[i].microseconds) / 1000.0;
    };
    EXPECT_GE(gapMs(0), 20);
    for (size_t i = 1; i < 115; ++i) EXPECT_GE(gapMs(i), 40) << "after erase " << i;
    EXPECT_GE(gapMs(115), 60);
    EXPECT_GE(gapMs(116), 20);
    for (size_t i = 117; i < 117 + 235; ++i) EXPECT_GE(gapMs(i), 20) << "after data report " << i;
    EXPECT_LT(gapMs(352), 1);

    EXPECT_EQ(ApplicationArea(*unit), AreaAfter(PAGES, image.size(), image));
    EXPECT_EQ(unit->ReadFlash(sim::kFlashBase, FLASH_APP_START - sim::kFlashBase), bootloaderBefore);
    EXPECT_EQ(unit->ReadFlash(INFO_BLOCK_ADDRESS, FLASH_PAGE_SIZE), infoPageBefore);

    ASSERT_EQ(sim::user::ProgressWindows().size(), 1u);
    const sim::user::ProgressRecord& progress = sim::user::ProgressWindows()[0];
    std::vector<int> positions = {0};
    for (int k = 1; k <= 234; ++k) positions.push_back(48 * k * 100 / 11264);
    positions.push_back(100);
    EXPECT_EQ(progress.positions, positions);
    EXPECT_TRUE(progress.destroyedMs.has_value());

    EXPECT_EQ(after.pane, Text(IDS_SUCCESS));
    EXPECT_FALSE(after.updateEnabled);
    EXPECT_TRUE(after.unitHeld);
    EXPECT_EQ(after.versions.bootloader, L"1.02.03");
    EXPECT_EQ(after.versions.firmware, L"1.00");
}

TEST_F(ProgramTest, ProgressWindowIsCentredOverTheDialogAndTitled) {
    PlugUnit();
    RECT dialog{};
    RunWith({Do("where is the dialog", [&] { GetWindowRect(sim::user::MainDialog(), &dialog); }),
             Click(IDC_UPDATE)});
    ASSERT_EQ(sim::user::ProgressWindows().size(), 1u);
    const sim::user::ProgressRecord& progress = sim::user::ProgressWindows()[0];
    EXPECT_EQ(progress.text, Text(IDS_WRITING));
    EXPECT_EQ(progress.style, 0x10000001u);
    EXPECT_EQ(progress.exStyle, 0u);
    EXPECT_EQ(progress.owner, sim::user::MainDialog());
    EXPECT_EQ(progress.rect.left, dialog.left + ((dialog.right - dialog.left) >> 1) - 200);
    EXPECT_EQ(progress.rect.top, dialog.top + ((dialog.bottom - dialog.top) >> 1) - 25);
    EXPECT_EQ(progress.rect.right - progress.rect.left, 400);
    EXPECT_EQ(progress.rect.bottom - progress.rect.top, 50);
}

struct ConfirmCase {
    const char* name;
    const char* scenario;
    bool asked;
};

class Confirmation : public ProgramTest, public ::testing::WithParamInterface<ConfirmCase> {};

// Answering No sends nothing and changes nothing; without a question the update just runs.
TEST_P(Confirmation, IsAskedBeforeFirmwareNotOlderThanTheImage) {
    auto unit = PlugUnit(GetParam().scenario);
    Afterwards after;
    std::vector<sim::user::Step> steps = {Click(IDC_UPDATE)};
    if (GetParam().asked) steps.push_back(sim::user::Answer(IDNO));
    steps.push_back(Do("look", [&] { after = LookAfterwards(); }));
    RunWith(steps);

    if (!GetParam().asked) {
        EXPECT_TRUE(sim::user::Boxes().empty());
        EXPECT_EQ(after.pane, Text(IDS_SUCCESS));
        return;
    }
    ASSERT_EQ(sim::user::Boxes().size(), 1u);
    const sim::user::BoxRecord& box = sim::user::Boxes()[0];
    EXPECT_EQ(box.caption, Text(IDS_NEWER_FOUND));
    EXPECT_EQ(box.text, Text(IDS_CONFIRM_OLDER));
    EXPECT_EQ(box.type, 0x34u);
    EXPECT_EQ(box.owner, sim::user::MainDialog());
    EXPECT_TRUE(UpdateReports(*unit).empty());
    EXPECT_EQ(after.pane, Text(IDS_READY));
    EXPECT_TRUE(after.updateEnabled);
    EXPECT_TRUE(after.unitHeld);
    EXPECT_TRUE(sim::user::ProgressWindows().empty());
}

INSTANTIATE_TEST_SUITE_P(
    InstalledVersions, Confirmation,
    ::testing::Values(ConfirmCase{"Older", "firmware=0x0000FFFF", false},
                      ConfirmCase{"Equal", "firmware=0x00010000", true},
                      ConfirmCase{"Newer", "firmware=0x00020000", true},
                      ConfirmCase{"NoFirmware", "firmware=none", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, AnsweringYesWritesOverNewerFirmware) {
    auto unit = PlugUnit("firmware=0x00020000");
    RunWith({Click(IDC_UPDATE), sim::user::Answer(IDYES)});
    EXPECT_EQ(UpdateReports(*unit).size(), 354u);
    EXPECT_EQ(Pane(), Text(IDS_SUCCESS));
}

// Images the program might carry: every byte is sent, the tail completed with 0xFF.
class ImageLengths : public ProgramTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ImageLengths, AreSentWhole) {
    std::vector<uint8_t> image(GetParam());
    for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 7 + 3);
    sim::res::Replace(sim::res::Id{10, L""}, sim::res::Id{IDR_FIRMWARE, L""}, image);
    auto unit = PlugUnit();
    LoadOldFirmware(*unit);
    RunWith({Click(IDC_UPDATE)});

    ExpectReports(*unit, ExpectedReports(image));
    EXPECT_TRUE(unit->Violations().empty()) << unit->Violations().front().what;
    size_t written = (image.size() + 15) / 16 * 16;
    EXPECT_EQ(ApplicationArea(*unit), AreaAfter(PAGES, written, image));
    EXPECT_EQ(Pane(), Text(IDS_SUCCESS));
    EXPECT_EQ(sim::user::ProgressWindows()[0].positions.back(), 100);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ImageLengths,
                         ::testing::Values(480, 496, 512, 40, 1000, 7, APP_AREA_SIZE));

// The filter: during the data phase input is discarded and the progress window kept active;
// painting goes through.
TEST_F(ProgramTest, InputDuringTheDataPhaseIsDiscarded) {
    auto unit = PlugUnit();
    auto dataReports = [unit](size_t n) {
        return [unit, n] { return UpdateReports(*unit).size() >= 117 + n; };
    };
    int paintsBefore = 0, paintsAfter = 0;
    auto paints = [] { return sim::user::Colors(IDC_LABEL_FW2)->paintCount; };
    sim::user::When(dataReports(10), Click(IDC_UPDATE));
    sim::user::When(dataReports(20), sim::user::ClickCloseBox());
    sim::user::When(dataReports(30), sim::user::PressKey(VK_ESCAPE));
    sim::user::When(dataReports(40), sim::user::PressKey(VK_RETURN));
    sim::user::When(dataReports(50), Do("count paints", [&] { paintsBefore = paints(); }));
    sim::user::When(dataReports(51), sim::user::Uncover());
    sim::user::When(dataReports(60), Do("count paints", [&] { paintsAfter = paints(); }));
    bool runningAtTheEnd = false;
    RunWith({Click(IDC_UPDATE), Do("look", [&] { runningAtTheEnd = sim::user::DialogEverShown(); })});

    EXPECT_EQ(sim::user::TriggersPending(), 0u);
    EXPECT_EQ(UpdateReports(*unit).size(), 354u) << "one update, run to its end";
    EXPECT_TRUE(unit->Violations().empty());
    EXPECT_TRUE(runningAtTheEnd);
    EXPECT_EQ(sim::user::ProgressWindows().size(), 1u);
    EXPECT_EQ(Pane(), Text(IDS_SUCCESS));
    EXPECT_GT(paintsAfter, paintsBefore) << "the dialog was not repainted during the update";

    // The click made the dialog active; the filter gave it back to the progress window.
    HWND progress = sim::user::ProgressWindows()[0].window;
    const auto& history = sim::user::ActivationHistory();
    auto clicked = std::find(history.begin(), history.end(), progress);
    ASSERT_NE(clicked, history.end());
    auto dialogAgain = std::find(clicked, history.end(), sim::user::MainDialog());
    ASSERT_NE(dialogAgain, history.end());
    EXPECT_NE(std::find(dialogAgain, history.end(), progress), history.end());
}

}  // namespace

namespace {

// The pause after a data report never ends early, wherever the system timer's steps fall.
class TimerPhases : public update_test::ProgramTest, public ::testing::WithParamInterface<uint64_t> {};

TEST_P(TimerPhases, DataReportsAreAtLeastTwentyMillisecondsApart) {
    sim::SetTickPhaseMicroseconds(GetParam());
    auto unit = PlugUnit();
    RunWith({sim::user::Click(IDC_UPDATE)});
    auto reports = update_test::UpdateReports(*unit);
    ASSERT_EQ(reports.size(), 354u);
    for (size_t i = 117; i < 117 + 235; ++i) {
        EXPECT_GE(reports[i + 1].microseconds - reports[i].microseconds, 20000u) << "report " << i;
    }
    EXPECT_EQ(unit->ViolationCount(sim::ViolationKind::Busy), 0u);
}

INSTANTIATE_TEST_SUITE_P(Phases, TimerPhases,
                         ::testing::Values(0, 2000, 4000, 6000, 8000, 10000, 12000, 14000, 15600));

}  // namespace
