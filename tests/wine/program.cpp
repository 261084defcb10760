#include "tests/wine/program.h"

#include <vector>

namespace wine_checks {
namespace {

constexpr DWORD kPollMs = 20;
constexpr wchar_t kScenarioVariable[] = L"SERVIKA_VIRTUAL_UNIT";

}  // namespace

Program::Program(const std::wstring& exe, const wchar_t* scenario, const std::wstring& arguments) {
    SetEnvironmentVariableW(kScenarioVariable, scenario);
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
        process_ = {};
    }
    SetEnvironmentVariableW(kScenarioVariable, nullptr);
}

Program::~Program() {
    if (!Started()) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kMessageWaitMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

std::optional<DWORD> Program::ExitCode(DWORD waitMs) {
    if (!Started() || WaitForSingleObject(process_.hProcess, waitMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

HWND Program::FindWindowOf(const wchar_t* className, const std::wstring& title) const {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, title.c_str()); window != nullptr;
         window = FindWindowExW(nullptr, window, className, title.c_str())) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == Id() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

HWND Program::WaitForWindow(const wchar_t* className, const std::wstring& title,
                            DWORD waitMs) const {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        HWND window = FindWindowOf(className, title);
        if (window != nullptr || GetTickCount64() - start >= waitMs) return window;
        Sleep(kPollMs);
    }
}

std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageWaitMs,
                             &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    if (window == nullptr) return L"<no window>";
    auto length = static_cast<size_t>(Ask(window, WM_GETTEXTLENGTH).value_or(0));
    std::vector<wchar_t> text(length + 1, L'\0');
    Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

std::wstring WaitForText(HWND window, const std::wstring& text, DWORD waitMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        std::wstring now = TextOf(window);
        if (now == text || GetTickCount64() - start >= waitMs) return now;
        Sleep(kPollMs);
    }
}

bool WaitUntilGone(HWND window, DWORD waitMs) {
    const ULONGLONG start = GetTickCount64();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() - start >= waitMs) return false;
        Sleep(kPollMs);
    }
    return true;
}

HWND ControlOf(HWND dialog, uint32_t id) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (static_cast<uint32_t>(GetDlgCtrlID(child)) == id) return child;
    }
    return nullptr;
}

RECT RectInDialog(HWND dialog, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Escape goes to the control that has the focus, as the keyboard would send it.
void PressEscape(HWND dialog) {
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) &&
        thread.hwndFocus != nullptr) {
        target = thread.hwndFocus;
    }
    const LPARAM scanCode = MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, scanCode | 1);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, scanCode | 1 | (LPARAM{3} << 30));
}

void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

}  // namespace wine_checks
