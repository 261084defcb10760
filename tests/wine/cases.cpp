#include "tests/wine/cases.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <set>

#include "resources/resource.h"
#include "tests/wine/dialog.h"
#include "tests/wine/program.h"
#include "tests/wine/trace.h"

namespace wine_checks {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kTitle[] = L"VELDRAMON SERVIKA Firmware Updater 1.00";
constexpr wchar_t kRefusalCaption[] = L"SERVIKA virtual unit";
constexpr uint32_t kMessageBoxText = 0xFFFF;
constexpr size_t kReportLength = 64;
constexpr DWORD kUpdateWaitMs = 60000;
constexpr DWORD kProgressPollMs = 25;
constexpr LRESULT kProgressShownAt = 40;
constexpr size_t kLeastProgressSteps = 10;
constexpr UINT kRefusedExitCode = 2;

// What the unit in the scenarios below reports, as the version fields show it.
constexpr wchar_t kBootUnit[] = L"bootloader=0x00010300;firmware=0x00000900";
constexpr wchar_t kBootloaderShown[] = L"1.03";
constexpr wchar_t kFirmwareShown[] = L"0.09";
constexpr wchar_t kImageVersionShown[] = L"1.00";
constexpr wchar_t kNoVersion[] = L"0.0.0";

// The program's session with one scenario: its .exe, its resources, its dialog.
struct Session {
    Session(Checks& checks, const Context& context, const wchar_t* scenario,
            const std::wstring& arguments = L"")
        : checks(checks),
          context(context),
          module(context.exe),
          program(context.exe, scenario, arguments) {
        if (!checks.That(module.Loaded(), "resources of " + Utf8(context.exe))) return;
        dialogTemplate = module.Dialog(IDD_MAIN);
        if (!checks.That(program.Started(), "start of " + Utf8(context.exe))) return;
        dialog = program.WaitForWindow(kDialogClass, kTitle);
        checks.That(dialog != nullptr, "a dialog titled " + Shown(kTitle));
    }

    bool Ready() const { return dialog != nullptr; }
    HWND Control(uint32_t id) const { return ControlOf(dialog, id); }
    std::wstring Text(UINT id) const { return module.String(id); }
    std::wstring Situation(UINT id) const {
        return Text(id) + L"\r\n\r\n" + Text(IDS_INSTRUCTIONS);
    }
    std::wstring TemplateText(uint32_t id) const {
        for (const TemplateItem& item : dialogTemplate.items) {
            if (item.id == id) return item.text;
        }
        return L"<not in the template>";
    }

    void ExpectPane(const std::wstring& text, const std::string& what) {
        checks.Equal(WaitForText(Control(IDC_STATUS_TEXT), text), text, what);
    }
    void Screenshot(const WindowShot& shot, const std::wstring& name) {
        Save(checks, shot, context.directory, name);
    }

    // Escape ends the program, with exit code 0.
    void Close() {
        PressEscape(dialog);
        auto code = program.ExitCode(kWindowWaitMs);
        if (checks.That(code.has_value(), "the program ends on Escape")) {
            checks.Equal(*code, 0, "exit code");
        }
    }

    Checks& checks;
    const Context& context;
    Module module;
    Program program;
    DialogTemplate dialogTemplate;
    HWND dialog = nullptr;
};

std::wstring TracePath(const Context& context, const std::wstring& name) {
    std::wstring path = context.directory + L"\\" + name;
    DeleteFileW(path.c_str());
    return path;
}

std::wstring WithTrace(const std::wstring& scenario, const std::wstring& trace) {
    return scenario + L";trace=" + trace;
}

std::vector<ExpectedReport> WholeUpdate(const Module& module) {
    std::vector<ExpectedReport> reports = Identification(kReportLength);
    std::vector<ExpectedReport> update =
        Update(module.Resource(RT_RCDATA, IDR_FIRMWARE), kReportLength);
    reports.insert(reports.end(), update.begin(), update.end());
    return reports;
}

std::vector<ExpectedReport> FirstReports(const Module& module, size_t count) {
    std::vector<ExpectedReport> reports = WholeUpdate(module);
    reports.resize(std::min(count, reports.size()));
    return reports;
}

void CheckProgress(Checks& checks, const std::vector<LRESULT>& positions) {
    checks.That(!positions.empty(), "progress positions read");
    if (positions.empty()) return;
    checks.That(std::is_sorted(positions.begin(), positions.end()),
                "progress position never falls");
    std::set<LRESULT> steps(positions.begin(), positions.end());
    checks.That(steps.size() >= kLeastProgressSteps,
                "progress position rises in steps: " + std::to_string(steps.size()) + " seen");
    checks.That(positions.front() <= 50 && positions.back() >= 90,
                "progress from " + std::to_string(positions.front()) + " to " +
                    std::to_string(positions.back()));
}

// Presses Update and follows the progress window until it is gone; the screenshot shows it at
// work over the dialog.
void FollowUpdate(Session& session, const std::wstring& screenshot) {
    Checks& checks = session.checks;
    Click(session.Control(IDC_UPDATE));
    HWND progress = session.program.WaitForWindow(PROGRESS_CLASSW, session.Text(IDS_WRITING));
    if (!checks.That(progress != nullptr,
                     "a progress window titled " + Shown(session.Text(IDS_WRITING)))) {
        return;
    }
    checks.That(GetWindow(progress, GW_OWNER) == session.dialog,
                "the progress window is owned by the dialog");
    std::vector<LRESULT> positions;
    bool shown = false;
    const ULONGLONG start = GetTickCount64();
    while (IsWindow(progress) && GetTickCount64() - start < kUpdateWaitMs) {
        auto position = Ask(progress, PBM_GETPOS);
        if (position) positions.push_back(*position);
        if (!shown && position && *position >= kProgressShownAt) {
            session.Screenshot(CaptureTogether(session.dialog, progress), screenshot);
            shown = true;
        }
        Sleep(kProgressPollMs);
    }
    checks.That(!IsWindow(progress), "the progress window goes once the image is sent");
    CheckProgress(checks, positions);
}

// A failing update: the error box with its text, owned by the dialog, while the progress
// window is gone already; what the dialog shows behind it; OK; the aborted text.
void FollowFailure(Session& session, const std::wstring& boxText, const std::wstring& paneBehind,
                   const std::wstring& name) {
    Checks& checks = session.checks;
    Click(session.Control(IDC_UPDATE));
    HWND box =
        session.program.WaitForWindow(kDialogClass, session.Text(IDS_UPDATE_FAILED), kUpdateWaitMs);
    if (!checks.That(box != nullptr,
                     "an error box titled " + Shown(session.Text(IDS_UPDATE_FAILED)))) {
        return;
    }
    checks.That(session.program.FindWindowOf(PROGRESS_CLASSW, session.Text(IDS_WRITING)) == nullptr,
                "the progress window is gone before the box");
    checks.That(GetWindow(box, GW_OWNER) == session.dialog, "the box is owned by the dialog");
    checks.Equal(TextOf(ControlOf(box, kMessageBoxText)), boxText, "error box text");
    checks.Equal(TextOf(session.Control(IDC_STATUS_TEXT)), paneBehind,
                 "status pane behind the box");
    CheckControls(checks, session.dialog,
                  {{IDC_UPDATE, std::nullopt, false, true},
                   {IDC_VERSION_FW1, kNoVersion, false, true},
                   {IDC_VERSION_FW2, kNoVersion, false, true}});
    LetPaint(box);
    session.Screenshot(CaptureTogether(session.dialog, box), name + L"-box.png");

    Click(ControlOf(box, IDOK));
    checks.That(WaitUntilGone(box), "the box closes on OK");
    session.ExpectPane(session.Text(IDS_ABORTED), "status pane after OK");
    LetPaint(session.dialog);
    session.Screenshot(Capture(session.dialog), name + L"-aborted.png");
}

std::vector<ControlState> ReadyControls(const Session& session) {
    return {{IDCANCEL, session.TemplateText(IDCANCEL), true, true},
            {IDC_UPDATE, session.TemplateText(IDC_UPDATE), true, true},
            {IDC_LABEL_FW1, L"Bootloader", true, true},
            {IDC_LABEL_FW2, L"SERVIKA", true, true},
            {IDC_VERSION_FW1, kBootloaderShown, true, true},
            {IDC_VERSION_FW2, kFirmwareShown, true, true},
            {IDC_STATUS_TEXT, session.Text(IDS_READY), true, true},
            {IDC_LABEL_FW3, std::nullopt, true, false},
            {IDC_VERSION_FW3, std::nullopt, true, false}};
}

}  // namespace

int NoUnit(const Context& context) {
    Checks checks("product .exe with no unit");
    // It reads neither the environment nor its command line: a unit described there is not seen.
    Session session(checks, context, kBootUnit, L"--update");
    if (!session.Ready()) return checks.Failures();
    session.ExpectPane(session.Situation(IDS_NO_UNIT), "status pane");
    checks.Equal(TextOf(session.dialog), kTitle, "title");
    CheckControls(checks, session.dialog,
                  {{IDCANCEL, session.TemplateText(IDCANCEL), true, true},
                   {IDC_UPDATE, session.TemplateText(IDC_UPDATE), false, true},
                   {IDC_LABEL_FW1, L"Bootloader", false, true},
                   {IDC_LABEL_FW2, L"SERVIKA", false, true},
                   {IDC_VERSION_FW1, kNoVersion, false, true},
                   {IDC_VERSION_FW2, kNoVersion, false, true},
                   {IDC_STATUS_TEXT, session.Situation(IDS_NO_UNIT), true, true},
                   {static_cast<uint32_t>(IDC_STATIC),
                    session.TemplateText(static_cast<uint32_t>(IDC_STATIC)), true, true},
                   {IDC_VERSIONS_GROUP, session.TemplateText(IDC_VERSIONS_GROUP), true, true},
                   {IDC_LABEL_FW3, session.TemplateText(IDC_LABEL_FW3), false, false},
                   {IDC_VERSION_FW3, kNoVersion, false, false}});
    CheckLayout(checks, session.dialog, session.dialogTemplate);
    LetPaint(session.dialog);
    WindowShot shot = Capture(session.dialog);
    session.Screenshot(shot, L"no-unit.png");
    CheckPainting(checks, session.dialog, shot, false);
    session.Close();
    return checks.Failures();
}

int UpdateToSuccess(const Context& context) {
    Checks checks("virtual .exe: update to success");
    std::wstring trace = TracePath(context, L"update-trace.txt");
    Session session(checks, context, WithTrace(kBootUnit, trace).c_str());
    if (!session.Ready()) return checks.Failures();
    session.ExpectPane(session.Text(IDS_READY), "status pane");
    CheckControls(checks, session.dialog, ReadyControls(session));
    LetPaint(session.dialog);
    WindowShot shot = Capture(session.dialog);
    session.Screenshot(shot, L"ready.png");
    CheckPainting(checks, session.dialog, shot, true);

    FollowUpdate(session, L"progress.png");
    session.ExpectPane(session.Text(IDS_SUCCESS), "status pane after the update");
    CheckControls(checks, session.dialog,
                  {{IDC_UPDATE, std::nullopt, false, true},
                   {IDC_VERSION_FW1, kBootloaderShown, true, true},
                   {IDC_VERSION_FW2, kImageVersionShown, true, true}});
    LetPaint(session.dialog);
    session.Screenshot(Capture(session.dialog), L"success.png");
    session.Close();
    CheckTrace(checks, ReadTrace(trace), WholeUpdate(session.module));
    return checks.Failures();
}

int WriteFailure(const Context& context) {
    Checks checks("virtual .exe: a data report that fails");
    constexpr uint32_t kFailingReport = 150;
    std::wstring trace = TracePath(context, L"write-failure-trace.txt");
    std::wstring scenario =
        WithTrace(L"fail_report=" + std::to_wstring(kFailingReport) + L";error=31", trace);
    Session session(checks, context, scenario.c_str());
    if (!session.Ready()) return checks.Failures();
    session.ExpectPane(session.Text(IDS_READY), "status pane");
    FollowFailure(session,
                  session.Text(IDS_ERR_WRITE_BLOCK) +
                      L"\r\nDas System meldet Fehlercode 0xfffffffe-0x0000001f",
                  session.Text(IDS_READY), L"write-failure");
    session.Close();
    // The failed report never reached the unit.
    CheckTrace(checks, ReadTrace(trace), FirstReports(session.module, kFailingReport - 1));
    return checks.Failures();
}

int Unplugged(const Context& context) {
    Checks checks("virtual .exe: the unit pulled during the data reports");
    constexpr uint32_t kLastReport = 150;
    std::wstring trace = TracePath(context, L"unplug-trace.txt");
    std::wstring scenario = WithTrace(L"unplug_report=" + std::to_wstring(kLastReport), trace);
    Session session(checks, context, scenario.c_str());
    if (!session.Ready()) return checks.Failures();
    session.ExpectPane(session.Text(IDS_READY), "status pane");
    // The removal reaches the dialog during the update, which empties the record: the next
    // report goes to no handle at all.
    FollowFailure(session,
                  session.Text(IDS_ERR_WRITE_BLOCK) + L"\r\n" +
                      Format(session.Text(IDS_SYSTEM_ERROR_CODE), 0xFFFFFFFE, ERROR_INVALID_HANDLE),
                  session.Situation(IDS_DISCONNECTED), L"unplug");
    session.Close();
    CheckTrace(checks, ReadTrace(trace), FirstReports(session.module, kLastReport));
    return checks.Failures();
}

int BadScenario(const Context& context) {
    Checks checks("virtual .exe: a scenario that does not parse");
    Program program(context.exe, L"mode=boot;mode=turbo");
    HWND box = program.WaitForWindow(kDialogClass, kRefusalCaption);
    if (checks.That(box != nullptr, "an error box titled " + Shown(kRefusalCaption))) {
        std::wstring text = TextOf(ControlOf(box, kMessageBoxText));
        checks.That(text.find(L"SERVIKA_VIRTUAL_UNIT") != std::wstring::npos &&
                        text.find(L"\"mode=turbo\"") != std::wstring::npos,
                    "the box names the variable and the bad item: " + Shown(text));
        checks.That(program.FindWindowOf(kDialogClass, kTitle) == nullptr, "no main dialog");
        Click(ControlOf(box, IDOK));
    }
    auto code = program.ExitCode(kWindowWaitMs);
    if (checks.That(code.has_value(), "the program ends")) {
        checks.Equal(*code, kRefusedExitCode, "exit code");
    }
    return checks.Failures();
}

}  // namespace wine_checks
