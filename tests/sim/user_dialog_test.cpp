// The main dialog as the simulated window system builds and runs it from the compiled
// template: layout in pixels, showing, the dialog manager's keys and the Tab order.

#include "tests/sim/user_fixture.h"

namespace user_test {
namespace {

using namespace sim::user;

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

TEST_F(UserTest, DialogIsBuiltFromTheTemplateInPixelsAndCentred) {
    HWND focusWhenShown = nullptr, activeWhenShown = nullptr;
    bool visibleWhenShown = false;
    Then(Do("look at the dialog", [&] {
        focusWhenShown = Focus();
        activeWhenShown = ActiveWindow();
        visibleWhenShown = Info(MainDialog())->visible;
    }));
    Then(PressKey(VK_ESCAPE));

    EXPECT_EQ(RunDialog(), IDCANCEL);

    // 300 x 228 dialog units at base units 6 x 13 make a client area of 450 x 371; the frame
    // adds 3 on each side and the caption 23; centred in the 1920 x 1040 working area.
    WindowInfo main = *Info(MainDialog());
    EXPECT_TRUE(SameRect(main.screen, RECT{732, 320, 1188, 720})) << Show(main.screen);
    EXPECT_TRUE(SameRect(main.client, RECT{735, 346, 1185, 717})) << Show(main.client);
    EXPECT_EQ(main.text, L"VELDRAMON Firmware Updater");
    EXPECT_EQ(main.className, L"#32770");

    struct Expected {
        int id;
        const wchar_t* className;
        RECT inDialog;  // left, top, right, bottom in the client area
        bool enabled;
    };
    const Expected table[] = {
        {IDCANCEL, L"BUTTON", {236, 323, 311, 346}, true},          // 157,199 50x14
        {IDC_UPDATE, L"BUTTON", {92, 323, 167, 346}, false},        // 61,199 50x14
        {IDC_STATUS_TEXT, L"EDIT", {23, 145, 430, 309}, true},      // 15,89 271x101
        {IDC_VERSIONS_GROUP, L"BUTTON", {23, 16, 226, 109}, true},  // 15,10 135x57
        {IDC_VERSION_FW3, L"STATIC", {135, 81, 210, 94}, true},     // 90,50 50x8
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.id);
        WindowInfo control = InfoOf(row.id);
        EXPECT_EQ(control.className, row.className);
        EXPECT_TRUE(SameRect(control.inParent, row.inDialog)) << Show(control.inParent);
        RECT onScreen = {row.inDialog.left + 735, row.inDialog.top + 346, row.inDialog.right + 735,
                         row.inDialog.bottom + 346};
        EXPECT_TRUE(SameRect(control.screen, onScreen)) << Show(control.screen);
        EXPECT_EQ(control.enabled, row.enabled);
        EXPECT_TRUE(control.visible);
    }
    EXPECT_EQ(InfoOf(IDC_UPDATE).style, 0x58010000u);

    // Shown after WM_INITDIALOG: visible, active, the focus on the first tab stop, painted.
    EXPECT_TRUE(DialogEverShown());
    EXPECT_TRUE(visibleWhenShown);
    EXPECT_EQ(activeWhenShown, MainDialog());
    EXPECT_EQ(focusWhenShown, Control(IDCANCEL));
    EXPECT_EQ(dialog.Count(WM_INITDIALOG), 1u);
    EXPECT_GE(dialog.Count(WM_PAINT), 1u);
    // Ended: hidden and gone, its record kept.
    EXPECT_TRUE(main.destroyed);
    EXPECT_FALSE(main.visible);
    EXPECT_EQ(GetDlgItem(MainDialog(), IDCANCEL), nullptr);
}

TEST_F(UserTest, DialogThatCannotBeBuiltOrEndsInInitialisationIsNeverShown) {
    dialog.handler = [](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) EndDialog(window, 1);
        return 0;
    };
    EXPECT_EQ(RunDialog(), 1);
    EXPECT_FALSE(DialogEverShown());
    EXPECT_EQ(dialog.Count(WM_PAINT), 0u);

    sim::user::Reset();
    dialog.messages.clear();
    sim::res::Remove(sim::res::Id::From(RT_DIALOG), sim::res::Id{IDD_MAIN, {}});
    EXPECT_EQ(RunDialog(), -1);
    EXPECT_EQ(MainDialog(), nullptr);
    EXPECT_TRUE(dialog.messages.empty());
}

// Each case: whether Update starts enabled, what the user does, and the commands the dialog
// gets (Cancel ends it).
TEST_F(UserTest, DialogManagerTurnsKeysAndClicksIntoCommands) {
    struct Case {
        const char* name;
        bool updateEnabled;
        std::vector<Step> steps;
        std::vector<int> commands;
    };
    auto escape = PressKey(VK_ESCAPE);
    auto disableUpdate = Do("disable Update", [] { EnableWindow(Control(IDC_UPDATE), FALSE); });
    const std::vector<Case> cases = {
        {"Escape", false, {escape}, {IDCANCEL}},
        {"Enter gives the default button", false, {PressKey(VK_RETURN)}, {IDCANCEL}},
        {"close box", false, {ClickCloseBox()}, {IDCANCEL}},
        {"click Beenden", false, {Click(IDCANCEL)}, {IDCANCEL}},
        {"Space on the focused Beenden", false, {PressKey(VK_SPACE)}, {IDCANCEL}},
        {"click on disabled Update", false, {Click(IDC_UPDATE), escape}, {IDCANCEL}},
        {"click on enabled Update", true, {Click(IDC_UPDATE), escape}, {IDC_UPDATE, IDCANCEL}},
        {"Enter on the focused Update",
         true,
         {PressKey(VK_TAB), PressKey(VK_RETURN), escape},
         {IDC_UPDATE, IDCANCEL}},
        {"Space on the focused Update",
         true,
         {PressKey(VK_TAB), PressKey(VK_SPACE), escape},
         {IDC_UPDATE, IDCANCEL}},
        {"Enter after the focused Update was disabled",
         true,
         {PressKey(VK_TAB), disableUpdate, PressKey(VK_RETURN)},
         {IDCANCEL}},
        {"click on a static label", false, {Click(IDC_LABEL_FW1), escape}, {IDCANCEL}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::user::Reset();
        dialog = TestDialog{};
        bool enable = c.updateEnabled;
        dialog.handler = [enable](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) EnableWindow(GetDlgItem(window, IDC_UPDATE), enable);
            return 0;
        };
        Then(c.steps);

        EXPECT_EQ(RunDialog(), IDCANCEL);

        EXPECT_EQ(CommandIds(), c.commands);
        EXPECT_EQ(StepsLeft(), 0u);
    }
}

TEST_F(UserTest, TabMovesAmongVisibleEnabledTabStopsInTemplateOrder) {
    std::vector<HWND> focus;
    auto note = [&] { return Do("note the focus", [&] { focus.push_back(Focus()); }); };
    Then({PressKey(VK_TAB), note(),  // Update disabled: Beenden is the only stop
          Do("enable Update", [] { EnableWindow(Control(IDC_UPDATE), TRUE); }), PressKey(VK_TAB),
          note(),                          // Beenden -> Update
          PressKey(VK_TAB), note(),        // wraps to Beenden
          PressKey(VK_TAB, true), note(),  // backwards to Update
          Do("hide Update", [] { ShowWindow(Control(IDC_UPDATE), SW_HIDE); }),
          PressKey(VK_TAB, true), note(),  // hidden: skipped
          PressKey(VK_ESCAPE)});

    EXPECT_EQ(RunDialog(), IDCANCEL);

    HWND beenden = Control(IDCANCEL), update = Control(IDC_UPDATE);
    EXPECT_EQ(focus, (std::vector<HWND>{beenden, update, beenden, update, beenden}));
    EXPECT_EQ(CommandIds(), std::vector<int>{IDCANCEL});
}

TEST_F(UserTest, DefaultDialogHandlingSetsTheTitleAndTurnsCloseIntoCancel) {
    std::wstring title;
    int copied = 0;
    wchar_t small[5] = {};
    Then(Do("set the title and close", [&] {
        HWND main = MainDialog();
        EXPECT_TRUE(SendMessageW(main, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Neuer Titel")));
        title = Text(main);
        copied = GetWindowTextW(main, small, 5);
        SendMessageW(main, WM_CLOSE, 0, 0);
    }));

    EXPECT_EQ(RunDialog(), IDCANCEL);

    EXPECT_EQ(title, L"Neuer Titel");
    EXPECT_EQ(copied, 4);
    EXPECT_STREQ(small, L"Neue");
    EXPECT_EQ(CommandIds(), std::vector<int>{IDCANCEL});
}

TEST_F(UserTest, ClassIconAndCommonControlsAreRecorded) {
    HINSTANCE instance = sim::res::ProgramInstance();
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)), icon);
    EXPECT_EQ(IconResource(icon), std::optional<uint16_t>(IDI_APP));
    EXPECT_EQ(LoadIconW(instance, MAKEINTRESOURCEW(999)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));

    DWORD previous = 1;
    dialog.handler = [&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            previous = SetClassLongW(window, GCL_HICON,
                                     static_cast<LONG>(reinterpret_cast<LONG_PTR>(icon)));
        }
        return 0;
    };
    Then(PressKey(VK_ESCAPE));
    EXPECT_FALSE(CommonControlsInitialized());
    InitCommonControls();
    RunDialog();

    EXPECT_EQ(previous, 0u);
    EXPECT_EQ(ClassIcon(), icon);
    EXPECT_TRUE(CommonControlsInitialized());
}

}  // namespace
}  // namespace user_test
