// Painting and the progress window on the simulated platform: the colours static controls
// are drawn with, and a progress bar's life as the update uses it.

#include "tests/sim/user_fixture.h"

namespace user_test {
namespace {

using namespace sim::user;

TEST_F(UserTest, StaticControlsAskTheDialogForColoursWhenItPaints) {
    dialog.handler = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) ShowWindow(GetDlgItem(window, IDC_LABEL_FW3), SW_HIDE);
        if (message == WM_CTLCOLORSTATIC &&
            reinterpret_cast<HWND>(lParam) == GetDlgItem(window, IDC_LABEL_FW2)) {
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 0, 0));
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return COLOR_BTNFACE + 1;
        }
        return 0;
    };
    int paintsBeforeUncover = 0;
    Then({Do("note", [&] { paintsBeforeUncover = Colors(IDC_LABEL_FW2)->paintCount; }), Uncover(),
          PressKey(VK_ESCAPE)});

    RunDialog();

    auto red = Colors(IDC_LABEL_FW2);
    ASSERT_TRUE(red.has_value());
    EXPECT_EQ(red->result, COLOR_BTNFACE + 1);
    EXPECT_EQ(red->textColor, RGB(255, 0, 0));
    EXPECT_EQ(red->bkMode, TRANSPARENT);
    EXPECT_FALSE(red->systemColors);
    EXPECT_EQ(paintsBeforeUncover, 1);
    EXPECT_EQ(red->paintCount, 2);

    // The read-only pane, the group box and the other statics keep the system's colours;
    // push buttons and hidden controls do not ask.
    for (int id : {IDC_STATUS_TEXT, IDC_VERSIONS_GROUP, IDC_LABEL_FW1, IDC_VERSION_FW2}) {
        SCOPED_TRACE(id);
        auto record = Colors(id);
        ASSERT_TRUE(record.has_value());
        EXPECT_TRUE(record->systemColors);
        EXPECT_EQ(record->textColor, sim::gdi::kDefaultTextColor);
    }
    EXPECT_FALSE(Colors(IDCANCEL).has_value());
    EXPECT_FALSE(Colors(IDC_LABEL_FW3).has_value());
    EXPECT_EQ(sim::gdi::LiveObjectCount(), 0u);
}

TEST_F(UserTest, ProgressClassExistsOnlyAfterInitCommonControls) {
    EXPECT_EQ(CreateWindowExW(0, PROGRESS_CLASSW, L"x", WS_VISIBLE, 0, 0, 400, 50, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), 1407u);  // ERROR_CANNOT_FIND_WND_CLASS
    EXPECT_TRUE(ProgressWindows().empty());
}

// Created, moved along, painted and destroyed as the update does it, over the running dialog.
TEST_F(UserTest, ProgressWindowIsATopLevelWindowOwnedByTheDialog) {
    InitCommonControls();
    HWND bar = nullptr;
    std::vector<LRESULT> previous;
    HWND activeAfterCreate = nullptr, activeAfterDestroy = nullptr;
    COLORREF leftPixel = 0, rightPixel = 0;
    Then(Do("show progress", [&] {
        RECT r{};
        GetWindowRect(MainDialog(), &r);
        bar = CreateWindowExW(0, PROGRESS_CLASSW, L"Schreiben", 0x10000001,
                              r.left + ((r.right - r.left) >> 1) - 200,
                              r.top + ((r.bottom - r.top) >> 1) - 25, 400, 50, MainDialog(),
                              nullptr, sim::res::ProgramInstance(), nullptr);
        activeAfterCreate = GetActiveWindow();
        for (int position : {0, 50, 150, -5, 50})
            previous.push_back(SendMessageW(bar, PBM_SETPOS, position, 0));
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        const sim::gdi::Canvas* canvas = CanvasOf(bar);
        leftPixel = canvas->At(5, 5);
        rightPixel = canvas->At(canvas->width - 5, 5);
        sim::AdvanceMicroseconds(20'000);
        DestroyWindow(bar);
        activeAfterDestroy = GetActiveWindow();
    }));
    Then(PressKey(VK_ESCAPE));

    RunDialog();

    ASSERT_EQ(ProgressWindows().size(), 1u);
    const ProgressRecord& record = ProgressWindows()[0];
    EXPECT_EQ(record.window, bar);
    EXPECT_EQ(record.owner, MainDialog());
    EXPECT_EQ(record.style, 0x10000001u);
    EXPECT_EQ(record.text, L"Schreiben");
    // Centred over the dialog at 732,320 - 1188,720.
    EXPECT_EQ(record.rect.left, 760);
    EXPECT_EQ(record.rect.top, 495);
    EXPECT_EQ(record.rect.right, 1160);
    EXPECT_EQ(record.rect.bottom, 545);
    EXPECT_EQ(previous, (std::vector<LRESULT>{0, 0, 50, 100, 0}));
    EXPECT_EQ(record.positions, (std::vector<int>{0, 50, 100, 0, 50}));
    EXPECT_EQ(record.destroyedMs, std::optional<uint64_t>(20));
    EXPECT_EQ(activeAfterCreate, bar);
    EXPECT_EQ(activeAfterDestroy, MainDialog());
    EXPECT_NE(leftPixel, sim::gdi::kFaceColor);  // the bar is half filled
    EXPECT_EQ(rightPixel, sim::gdi::kFaceColor);
    EXPECT_TRUE(Info(bar)->style & WS_CAPTION);
    EXPECT_EQ(ProgressWindowsAlive(), 0u);
}

}  // namespace
}  // namespace user_test
