// A tiny dialog procedure over the program's own dialog template, for testing the window part
// of the simulated platform without the program.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/win32.h"
#include "resources/resource.h"
#include "sim/platform/gdi.h"
#include "sim/platform/kernel.h"
#include "sim/platform/res.h"
#include "sim/platform/user.h"

namespace user_test {

// What the test dialog saw, and what a test adds to its behaviour.
struct TestDialog {
    std::vector<UINT> messages;
    std::vector<WPARAM> commands;
    // Runs first; a nonzero result is the procedure's result.
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handler;

    size_t Count(UINT message) const {
        size_t count = 0;
        for (UINT m : messages) count += m == message;
        return count;
    }
};

inline TestDialog*& Current() {
    static TestDialog* current = nullptr;
    return current;
}

// Answers WM_INITDIALOG with TRUE and ends on IDCANCEL; everything else is left to the system.
inline INT_PTR CALLBACK TestDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TestDialog& dialog = *Current();
    dialog.messages.push_back(message);
    if (dialog.handler) {
        if (INT_PTR result = dialog.handler(window, message, wParam, lParam)) return result;
    }
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        dialog.commands.push_back(wParam);
        if (LOWORD(wParam) == IDCANCEL) EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return 0;
}

class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetKernel();
        sim::gdi::ResetGdi();
        sim::res::RestoreAll();
        sim::user::Reset();
        Current() = &dialog;
    }
    void TearDown() override {
        sim::user::Reset();
        sim::res::RestoreAll();
        Current() = nullptr;
    }

    INT_PTR RunDialog() {
        return DialogBoxParamW(sim::res::ProgramInstance(), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                               TestDialogProc, 0);
    }

    // The dialog's commands by control ID, in order.
    std::vector<int> CommandIds() const {
        std::vector<int> ids;
        for (WPARAM command : dialog.commands) ids.push_back(LOWORD(command));
        return ids;
    }

    TestDialog dialog;
};

}  // namespace user_test
