// The program under test as another process, reached through the Win32 API the way any
// program may reach another's windows. Every wait is bounded.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace wine_checks {

constexpr DWORD kWindowWaitMs = 15000;
constexpr DWORD kMessageWaitMs = 5000;

class Program {
public:
    // Starts the .exe with the scenario in SERVIKA_VIRTUAL_UNIT (none when null) and the
    // given arguments after its name.
    Program(const std::wstring& exe, const wchar_t* scenario, const std::wstring& arguments = L"");
    ~Program();  // ends the process if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    DWORD Id() const { return process_.dwProcessId; }
    // The process's exit code once it has ended, within the time given.
    std::optional<DWORD> ExitCode(DWORD waitMs);

    // A visible top-level window of the process with this class (null: any) and title.
    HWND FindWindowOf(const wchar_t* className, const std::wstring& title) const;
    HWND WaitForWindow(const wchar_t* className, const std::wstring& title,
                       DWORD waitMs = kWindowWaitMs) const;

private:
    PROCESS_INFORMATION process_ = {};
};

// A control's text. Another process's controls answer WM_GETTEXT; GetWindowTextW would only
// give the caption the system keeps.
std::wstring TextOf(HWND window);
// Sends a message and waits at most kMessageWaitMs for the answer; none when there is none.
std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Waits until the window's text is the one given, or the time is up; returns the last text.
std::wstring WaitForText(HWND window, const std::wstring& text, DWORD waitMs = kWindowWaitMs);
bool WaitUntilGone(HWND window, DWORD waitMs = kWindowWaitMs);

// The child of a dialog with this control ID, in any numbering (IDs are kept as 32 bits).
HWND ControlOf(HWND dialog, uint32_t id);
// A control's rectangle in the dialog's client coordinates.
RECT RectInDialog(HWND dialog, HWND control);

// The user's actions, posted so the program handles them in its own time.
void PressEscape(HWND dialog);
void Click(HWND button);

}  // namespace wine_checks
