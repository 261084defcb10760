// The whole program on the simulated platform: a machine at process start, a scripted user,
// virtual units to plug, and what the window shows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "platform/win32.h"
#include "resources/resource.h"
#include "sim/platform/gdi.h"
#include "sim/platform/hid.h"
#include "sim/platform/kernel.h"
#include "sim/platform/res.h"
#include "sim/platform/user.h"
#include "sim/unit/on_bus.h"
#include "sim/unit/scenario.h"
#include "unit/unit_record.h"

namespace program {

// A text of the program's string table.
inline std::wstring Text(UINT id) {
    auto text = sim::res::String(id);
    EXPECT_TRUE(text.has_value()) << "no text " << id;
    return text.value_or(L"");
}

// What the pane shows for a situation: its text, an empty line, the instructions.
inline std::wstring Situation(UINT id) { return Text(id) + L"\r\n\r\n" + Text(IDS_INSTRUCTIONS); }

inline sim::UnitConfig Scenario(const std::string& scenario) {
    sim::UnitConfig config;
    std::string problem = sim::ParseScenario(scenario, &config);
    EXPECT_EQ(problem, "") << scenario;
    return config;
}

// The version rows as a person reads them.
struct VersionRows {
    std::wstring bootloader, firmware, third;
    bool enabled[6];  // the three fields, then the three labels
};

inline VersionRows ReadVersionRows() {
    VersionRows rows{sim::user::Text(IDC_VERSION_FW1), sim::user::Text(IDC_VERSION_FW2),
                     sim::user::Text(IDC_VERSION_FW3), {}};
    const int ids[] = {IDC_VERSION_FW1, IDC_VERSION_FW2, IDC_VERSION_FW3,
                       IDC_LABEL_FW1,   IDC_LABEL_FW2,   IDC_LABEL_FW3};
    for (int i = 0; i < 6; ++i) rows.enabled[i] = sim::user::IsEnabled(ids[i]);
    return rows;
}

inline void ExpectNoUnitVersions() {
    VersionRows rows = ReadVersionRows();
    EXPECT_EQ(rows.bootloader, L"0.0.0");
    EXPECT_EQ(rows.firmware, L"0.0.0");
    EXPECT_EQ(rows.third, L"0.0.0");
    for (bool enabled : rows.enabled) EXPECT_FALSE(enabled);
}

inline void ExpectUnitVersions(const std::wstring& bootloader, const std::wstring& firmware) {
    VersionRows rows = ReadVersionRows();
    EXPECT_EQ(rows.bootloader, bootloader);
    EXPECT_EQ(rows.firmware, firmware);
    for (bool enabled : rows.enabled) EXPECT_TRUE(enabled);
}

inline bool UnitHeld() { return CurrentUnit.handle != INVALID_HANDLE_VALUE; }

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::user::Reset();
        sim::hid::Reset();
        sim::ResetKernel();
        sim::gdi::ResetGdi();
        sim::res::RestoreAll();
    }

    void TearDown() override {
        sim::user::Reset();
        sim::hid::Reset();
        sim::res::RestoreAll();
    }

    // Runs the program to its end; its exit code.
    int RunProgram() {
        wchar_t commandLine[] = L"";
        return wWinMain(sim::res::ProgramInstance(), nullptr, commandLine, SW_SHOW);
    }

    // Runs the program with the user's steps, closing it with Escape after them; checks that
    // it ends with exit code 0 and leaves nothing open.
    void RunWith(std::vector<sim::user::Step> steps) {
        steps.push_back(sim::user::PressKey(VK_ESCAPE));
        sim::user::Then(std::move(steps));
        EXPECT_EQ(RunProgram(), 0);
        ExpectNothingLeftOpen();
    }

    static void ExpectNothingLeftOpen() {
        EXPECT_EQ(sim::OpenHandleCount(), 0u) << "a handle was left open";
        EXPECT_EQ(sim::hid::LiveDeviceInfoSets(), 0u);
        EXPECT_EQ(sim::hid::LivePreparsedData(), 0u);
        EXPECT_EQ(sim::user::LiveRegistrations(), 0u);
    }

    static std::shared_ptr<sim::VirtualUnit> PlugUnit(const std::string& scenario = "") {
        auto unit = sim::PlugVirtualUnit(Scenario(scenario));
        EXPECT_TRUE(unit) << scenario;
        return unit;
    }

    static std::wstring Pane() { return sim::user::Text(IDC_STATUS_TEXT); }
    static bool UpdateEnabled() { return sim::user::IsEnabled(IDC_UPDATE); }
};

}  // namespace program
