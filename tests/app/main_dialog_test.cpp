// How the main dialog answers its messages: commands, colours, closing, the Tab key.
#include <gtest/gtest.h>

#include "tests/support/program.h"

namespace {

using namespace program;
using sim::user::Do;
using sim::user::Step;

TEST_F(ProgramTest, CommandsAreTakenByTheirControlIdWhateverTheNotification) {
    // Update with no unit held fails at once; the box proves the command was acted on.
    RunWith({Do("update with a notification code",
                [] {
                    sim::user::Post(sim::user::MainDialog(), WM_COMMAND,
                                    MAKEWPARAM(IDC_UPDATE, 0xBEEF), 0);
                }),
             sim::user::Answer(IDOK),
             Do("an unknown command",
                [] { sim::user::Post(sim::user::MainDialog(), WM_COMMAND, MAKEWPARAM(4711, 1), 0); }),
             Do("close with a notification code", [] {
                 sim::user::Post(sim::user::MainDialog(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0x1234),
                                 0);
             })});
    ASSERT_EQ(sim::user::Boxes().size(), 1u);
    EXPECT_EQ(sim::user::Boxes()[0].text, Text(IDS_UNIT_GONE));
    // The program ended on the posted close, before the Escape of RunWith was needed.
    EXPECT_EQ(sim::user::StepsLeft(), 1u);
    EXPECT_EQ(sim::user::DialogResult(), INT_PTR{IDCANCEL});
}

TEST_F(ProgramTest, UnitRowAndVersionAreDrawnInRedEverythingElseInSystemColours) {
    RunWith({});
    for (int id : {IDC_LABEL_FW2, IDC_VERSION_FW2}) {
        auto colors = sim::user::Colors(id);
        ASSERT_TRUE(colors) << id << " was never painted";
        EXPECT_EQ(colors->result, INT_PTR{COLOR_BTNFACE + 1}) << id;
        EXPECT_EQ(colors->textColor, RGB(255, 0, 0)) << id;
        EXPECT_EQ(colors->bkMode, TRANSPARENT) << id;
    }
    for (int id : {IDC_LABEL_FW1, IDC_VERSION_FW1, IDC_STATUS_TEXT, IDC_VERSIONS_GROUP}) {
        auto colors = sim::user::Colors(id);
        ASSERT_TRUE(colors) << id << " was never painted";
        EXPECT_EQ(colors->result, 0) << id;
        EXPECT_TRUE(colors->systemColors) << id;
    }
}

struct CloseCase {
    const char* name;
    Step (*step)();
};

class Closing : public ProgramTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(Closing, EndsWatchingReleasesTheUnitAndExitsWithZero) {
    PlugUnit();
    bool heldBefore = false;
    sim::user::Then({Do("look", [&] { heldBefore = UnitHeld(); }), GetParam().step()});
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(heldBefore);
    EXPECT_FALSE(UnitHeld());
    EXPECT_EQ(sim::user::DialogResult(), INT_PTR{IDCANCEL});
    ExpectNothingLeftOpen();
    ASSERT_EQ(sim::user::Registrations().size(), 1u);
    EXPECT_TRUE(sim::user::Registrations()[0].unregisteredMs.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Closing,
    ::testing::Values(CloseCase{"Button", [] { return sim::user::Click(IDCANCEL); }},
                      CloseCase{"CloseBox", [] { return sim::user::ClickCloseBox(); }},
                      CloseCase{"Escape", [] { return sim::user::PressKey(VK_ESCAPE); }},
                      CloseCase{"Enter", [] { return sim::user::PressKey(VK_RETURN); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Tab visits the two buttons only, and Update only while it is enabled.
TEST_F(ProgramTest, TabMovesBetweenTheButtonsOnly) {
    PlugUnit();
    std::vector<int> focus;
    auto look = [&] {
        return Do("look at the focus", [&] {
            auto info = sim::user::Info(sim::user::Focus());
            focus.push_back(info ? info->id : 0);
        });
    };
    RunWith({look(), sim::user::PressKey(VK_TAB), look(), sim::user::PressKey(VK_TAB), look(),
             sim::user::PressKey(VK_TAB, true), look()});
    EXPECT_EQ(focus, (std::vector<int>{IDCANCEL, IDC_UPDATE, IDCANCEL, IDC_UPDATE}));
}

TEST_F(ProgramTest, TabSkipsTheDisabledUpdateButton) {
    std::vector<int> focus;
    auto look = [&] {
        return Do("look at the focus", [&] {
            auto info = sim::user::Info(sim::user::Focus());
            focus.push_back(info ? info->id : 0);
        });
    };
    RunWith({look(), sim::user::PressKey(VK_TAB), look()});
    EXPECT_EQ(focus, (std::vector<int>{IDCANCEL, IDCANCEL}));
}

}  // namespace
