// The window part of the simulated platform, as tests and the simulated run see it: the
// scripted user and world, what the windows show, and what the program did with them.
//
// The program itself only calls the Win32 functions of win32_sim.h. Everything here is for
// the outside: saying what the user does and when, and asking what a person would have seen.
//
//     using namespace sim::user;
//     auto unit = sim::PlugVirtualUnit();
//     Then({Click(IDC_UPDATE), Answer(IDYES), Answer(IDOK), PressKey(VK_ESCAPE)});
//     When([&] { return unit->OutputReportsSincePlugging() >= 218; },
//          Do("pull the unit", [&] { sim::PullVirtualUnit(*unit); }));
//     wWinMain(sim::res::ProgramInstance(), nullptr, nullptr, SW_SHOW);
//     Text(IDC_STATUS_TEXT); Boxes(); ProgressWindows()[0].positions; Colors(IDC_LABEL_FW2);
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/platform/gdi.h"
#include "sim/platform/win32_sim.h"

namespace sim::user {

// ---- The virtual desktop --------------------------------------------------------------------

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr RECT kWorkArea = {0, 0, 1920, 1040};  // the taskbar takes the bottom 40 pixels
constexpr int kDialogBaseUnitX = 6;             // base units of the dialog font at 96 DPI
constexpr int kDialogBaseUnitY = 13;
constexpr int kFrameWidth = 3;      // SM_CXDLGFRAME
constexpr int kCaptionHeight = 23;  // SM_CYCAPTION

// {4D1E55B2-F16F-11CF-88CB-001111000030}: the device interface class of HID devices.
GUID HidClassGuid();

// ---- Records ----------------------------------------------------------------------------------

struct WindowInfo {
    HWND handle = nullptr;
    std::wstring className;  // upper case for dialog controls: "BUTTON", "STATIC", "EDIT"
    std::wstring text;
    DWORD style = 0;  // as the window has it (a top-level overlapped window gains WS_CAPTION)
    DWORD exStyle = 0;
    int id = 0;             // control ID; 0 for top-level windows
    HWND parent = nullptr;  // the dialog, for its controls
    HWND owner = nullptr;   // for top-level windows
    RECT screen{};          // window rectangle on the screen (GetWindowRect)
    RECT client{};          // client area on the screen
    RECT inParent{};        // window rectangle in the parent's client area (controls)
    bool enabled = false;
    bool visible = false;    // its own WS_VISIBLE state (the dialog's controls keep theirs
                             // when the dialog has ended and is hidden)
    bool destroyed = false;  // the record is kept after DestroyWindow, for inspection
    bool needsPaint = false;
};

struct BoxRecord {
    HWND owner = nullptr;  // as passed
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    uint64_t openedMs = 0;  // virtual time
    std::optional<uint64_t> closedMs;
    int answer = 0;  // 0 while open
    bool ownerWasEnabled = false;
    size_t progressWindowsAlive = 0;  // progress windows that existed when the box opened
    bool dialogShown = false;         // whether the main dialog had been shown by then
};

struct ProgressRecord {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring text;
    DWORD exStyle = 0;
    DWORD style = 0;  // as passed to CreateWindowExW
    RECT rect{};      // on the screen, as created
    uint64_t createdMs = 0;
    std::optional<uint64_t> destroyedMs;
    std::vector<int> positions;             // every PBM_SETPOS, after clamping to the range
    std::vector<uint64_t> positionTimesMs;  // when each was set
};

// What a static control (or the read-only edit, or the group box) was painted with the last
// time the dialog painted it: what the dialog procedure set on the device context and what it
// returned for WM_CTLCOLORSTATIC. A return of 0 leaves the system's colours.
struct ColorRecord {
    HWND control = nullptr;
    int id = 0;
    INT_PTR result = 0;
    COLORREF textColor = gdi::kDefaultTextColor;
    int bkMode = gdi::kDefaultBkMode;
    bool systemColors = true;  // result was 0
    int paintCount = 0;        // how often it has been painted
};

struct RegistrationRecord {
    HDEVNOTIFY handle = nullptr;
    HANDLE recipient = nullptr;
    std::vector<uint8_t> filter;  // a copy of the filter's bytes (dbch_size of them)
    DWORD flags = 0;
    bool live = false;
    uint64_t registeredMs = 0;
    std::optional<uint64_t> unregisteredMs;
};

// Where a sent message was delivered.
enum class Retrieval { DialogLoop, BoxLoop, PeekMessage };

struct DeliveryRecord {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    std::vector<uint8_t> lParamBytes;  // the buffer lParam pointed to; empty when lParam was 0
    INT_PTR result = 0;                // what the window (its dialog procedure) returned
    Retrieval where = Retrieval::DialogLoop;
    uint64_t timeMs = 0;
};

// ---- The scripted user and world ---------------------------------------------------------
//
// Steps run in order, one whenever a loop (the dialog's or a message box's) is idle. A message
// box takes the next step that is an answer, running the steps before it first, one per idle
// pass. Triggers ("when <condition> do <step>") are checked at every message retrieval of any
// loop, PeekMessageW included; each fires once.
//
// Script errors throw ScriptError: a message box with no answer and no default policy, an
// idle dialog with no step left, an answer while no box is open, an answer the box cannot give.

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Step {
    enum class Kind { Click, Key, CloseBox, Answer, Action, Pause, Uncover };
    Kind kind = Kind::Action;
    int control = 0;            // Click: control ID of the main dialog
    UINT key = 0;               // Key: virtual key
    bool shift = false;         // Key: with Shift held
    int answer = 0;             // Answer: IDOK, IDYES, IDNO, ...
    uint32_t milliseconds = 0;  // Pause
    std::function<void()> action;
    std::string description;
};

// Click a control of the main dialog: activates the dialog, as a real click does, then posts
// WM_LBUTTONDOWN and WM_LBUTTONUP. A click on a disabled control reaches the dialog instead;
// a click while the dialog is disabled (a message box is open) is lost.
Step Click(int controlId);
// Press and release a key: WM_KEYDOWN and WM_KEYUP to the focus window (the active window
// when nothing has the focus), with Shift pressed around it when asked.
Step PressKey(UINT virtualKey, bool shift = false);
// Click the close box of the main dialog's caption: WM_NCLBUTTONDOWN with HTCLOSE.
Step ClickCloseBox();
// Answer the next message box.
Step Answer(int answer);
// Anything else that happens in the world: plug or pull a unit, change a fault, check state.
Step Do(std::string description, std::function<void()> action);
// Let time pass (the virtual clock moves on, as a user takes time).
Step Pause(uint32_t milliseconds);
// Uncover the main dialog: it needs painting again.
Step Uncover();

void Then(Step step);
void Then(std::vector<Step> steps);
void When(std::function<bool()> condition, Step step);
size_t StepsLeft();
size_t TriggersPending();

// How boxes are answered when the script holds no answer step; without one that is an error.
using AnswerPolicy = std::function<int(const BoxRecord&)>;
void SetDefaultAnswer(AnswerPolicy policy);
// IDOK for boxes with an OK button, IDYES for those asking Yes or No.
int AffirmativeAnswer(const BoxRecord& box);

// ---- The world's side of the window system -----------------------------------------------

// RegisterDeviceNotificationW fails with this error until allowed again.
void RefuseDeviceNotifications(DWORD error);
void AllowDeviceNotifications();

// A DEV_BROADCAST_DEVICEINTERFACE_W for an interface path, as the system sends it: dbcc_size
// covering the name and its terminator, the name at byte 28.
std::vector<uint8_t> InterfaceBroadcast(const std::wstring& path,
                                        DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE,
                                        const GUID& classGuid = HidClassGuid());
// A device change of any event and header, sent (not posted) to every window with a live
// registration; an empty header sends lParam 0. Delivered at the next message retrieval.
// Plugging and pulling virtual interfaces does this by itself through the kernel.
void SendDeviceChange(WPARAM event, std::vector<uint8_t> header);
// Any message sent to a window from another thread; lParam points to a copy of the bytes
// (or is 0 when there are none). Delivered at the next message retrieval.
void SendFromOtherThread(HWND window, UINT message, WPARAM wParam, std::vector<uint8_t> bytes);
// Posts to the thread's queue, as PostMessageW would.
void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The main dialog needs painting again, as when it is uncovered.
void InvalidateDialog();
// Gives a control of the main dialog another place on the screen, as another layout would,
// and repaints the dialog.
void PlaceControl(int controlId, const RECT& screen);

// ---- What a person sees, and what the program did ---------------------------------------

// The dialog most recently built by DialogBoxParamW (kept after it ended); null before.
HWND MainDialog();
// A control of the main dialog by ID; null when there is no such control.
HWND Control(int id);
// The main dialog's controls in template order.
std::vector<HWND> Controls();
std::optional<WindowInfo> Info(HWND window);
WindowInfo InfoOf(int controlId);  // throws ScriptError when the control does not exist
std::wstring Text(HWND window);
std::wstring Text(int controlId);
bool IsEnabled(int controlId);
bool IsVisible(int controlId);
HWND Focus();
HWND ActiveWindow();
const std::vector<HWND>& ActivationHistory();
bool DialogEverShown();
std::optional<INT_PTR> DialogResult();  // what the last DialogBoxParamW returned
size_t PostedCount();                   // messages waiting in the queue

const std::vector<BoxRecord>& Boxes();
const std::vector<ProgressRecord>& ProgressWindows();
size_t ProgressWindowsAlive();
std::optional<ColorRecord> Colors(int controlId);
const std::vector<RegistrationRecord>& Registrations();
size_t LiveRegistrations();
const std::vector<DeliveryRecord>& Deliveries();

bool CommonControlsInitialized();
// The large icon of the dialog class (SetClassLongW/SetClassLongPtrW with GCL_HICON).
HICON ClassIcon();
// The RT_GROUP_ICON resource an icon was loaded from.
std::optional<uint16_t> IconResource(HICON icon);
// The client-area canvas of a top-level window (the main dialog when null).
const gdi::Canvas* CanvasOf(HWND window = nullptr);

// ---- Observer, for the simulated run ----------------------------------------------------

class Observer {
public:
    virtual ~Observer() = default;
    virtual void DialogShown(HWND /*dialog*/) {}
    virtual void DialogEnded(HWND /*dialog*/, INT_PTR /*result*/) {}
    virtual void TextChanged(HWND /*window*/, const std::wstring& /*text*/) {}
    virtual void EnabledChanged(HWND /*window*/, bool /*enabled*/) {}
    virtual void VisibilityChanged(HWND /*window*/, bool /*visible*/) {}
    virtual void BoxOpened(const BoxRecord& /*box*/) {}
    virtual void BoxClosed(const BoxRecord& /*box*/) {}
    virtual void ProgressCreated(const ProgressRecord& /*progress*/) {}
    virtual void ProgressPosition(const ProgressRecord& /*progress*/, int /*position*/) {}
    virtual void ProgressDestroyed(const ProgressRecord& /*progress*/) {}
    virtual void StepTaken(const Step& /*step*/) {}
};
// Changes are reported only when something changes (setting the same text again is silent).
void SetObserver(Observer* observer);

// Back to process start: no windows, no queue, no script, no records, no observer, common
// controls not initialised, registrations allowed. Handle values are never reused.
void Reset();

}  // namespace sim::user
