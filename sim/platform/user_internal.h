// Inside the window part of the simulated platform: the window table, the queues and the
// script, shared by the user*.cpp files. Nothing outside sim/platform/user*.cpp includes it.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/platform/gdi.h"
#include "sim/platform/user.h"

namespace sim::user::detail {

// Error numbers the window system gives that the program itself never names.
constexpr DWORD kErrorInvalidData = 13;
constexpr DWORD kErrorCannotFindWindowClass = 1407;
constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorControlIdNotFound = 1421;

constexpr UINT kVkShift = 0x10;
constexpr WPARAM kActivateInactive = 0;  // WA_INACTIVE
constexpr WPARAM kActivateActive = 1;    // WA_ACTIVE
constexpr DWORD kClipSiblings = 0x04000000u;
constexpr DWORD kDlgFrame = 0x00400000u;  // WS_DLGFRAME
constexpr DWORD kNotifyAllInterfaceClasses = 0x00000004u;
constexpr UINT kButtonTypeMask = 0x0000000Fu;

enum class Kind { Dialog, Button, Static, Edit, Progress, Box };

struct Window {
    HWND handle = nullptr;
    Kind kind = Kind::Static;
    std::wstring className;
    std::wstring text;
    DWORD style = 0;  // without WS_VISIBLE and WS_DISABLED, which the flags below carry
    DWORD exStyle = 0;
    int id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    RECT screen{};
    RECT client{};  // on the screen
    bool enabled = true;
    bool visible = false;
    bool destroyed = false;
    bool needsPaint = false;
    std::unique_ptr<gdi::Canvas> canvas;  // top-level windows that paint

    // Dialogs
    DLGPROC procedure = nullptr;
    std::vector<HWND> children;  // template order, which is also the Tab order
    HWND savedFocus = nullptr;
    bool ended = false;
    INT_PTR result = 0;

    // Buttons
    bool pressed = false;

    // Progress bars
    int position = 0;
    size_t progressIndex = 0;

    bool IsTopLevel() const { return parent == nullptr; }
};

struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    std::vector<uint8_t> bytes;
    std::optional<size_t> registration;  // delivered only while this registration is live
};

struct Trigger {
    std::function<bool()> condition;
    Step step;
};

struct State {
    std::map<uintptr_t, Window> windows;  // in creation order, records of destroyed ones kept
    std::deque<MSG> posted;
    std::deque<SentMessage> sent;

    HWND active = nullptr;
    HWND focus = nullptr;
    std::vector<HWND> activations;
    bool shiftDown = false;

    HWND mainDialog = nullptr;
    bool dialogShown = false;
    std::optional<INT_PTR> dialogResult;

    bool commonControls = false;
    std::map<std::wstring, HICON> classIcons;
    std::map<uintptr_t, uint16_t> icons;  // handle -> RT_GROUP_ICON id
    std::map<uint16_t, HICON> iconsById;

    std::vector<BoxRecord> boxes;
    std::vector<ProgressRecord> progress;
    std::map<uintptr_t, ColorRecord> colors;
    std::vector<RegistrationRecord> registrations;
    std::vector<DeliveryRecord> deliveries;
    std::optional<DWORD> refusal;

    std::deque<Step> script;
    std::vector<Trigger> triggers;
    AnswerPolicy policy;
    Observer* observer = nullptr;
};

inline HWND AsHwnd(uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}

inline bool IsPushButton(const Window& window) {
    UINT type = window.style & kButtonTypeMask;
    return window.kind == Kind::Button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

inline bool IsGroupBox(const Window& window) {
    return window.kind == Kind::Button && (window.style & kButtonTypeMask) == BS_GROUPBOX;
}

State& S();
uint64_t Now();  // virtual milliseconds
std::string Utf8(const std::wstring& text);

// ---- Window table (user_windows.cpp) -------------------------------------------------------

uintptr_t NewWindowHandle();
Window& AddWindow(Window window);
Window* Find(HWND handle);     // live windows only
Window* FindAny(HWND handle);  // destroyed ones too
Window* TopLevelOf(HWND handle);
bool IsSelfOrChild(HWND window, HWND ancestor);
Window* ControlById(Window& dialog, int id);  // the first live control with that ID
int MulDivRound(int value, int numerator, int denominator);

void SetText(Window& window, std::wstring text);
bool SetEnabled(Window& window, bool enabled);  // returns whether it was disabled before
bool SetVisible(Window& window, bool visible);  // returns whether it was visible before
void InvalidateParent(Window& window);
HWND Activate(HWND window);  // returns the previously active window
void DestroyTree(Window& window);
void NotifyProgressPosition(Window& progress);

// A window's own procedure: the dialog's procedure with its default handling, or the
// built-in behaviour of a control. raw receives what a dialog procedure itself returned.
LRESULT CallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      INT_PTR* raw = nullptr);
LRESULT ControlProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefaultProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Dialogs (user_dialog.cpp) ------------------------------------------------------------

LRESULT DialogProcedure(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* raw);
bool HandleDialogMessage(Window& dialog, const MSG& message);  // the dialog manager's keys
HWND NextTabStop(Window& dialog, HWND from, bool backwards);
void PaintClient(Window& window);  // the default erase and validation

// ---- Messages (user_messages.cpp) ---------------------------------------------------------

void PostMessageInternal(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PurgePosted(HWND window);
// The start of every message retrieval: what other threads sent, then the user's triggers.
void BeginRetrieval(Retrieval where);
bool TakePosted(MSG* message, HWND window, UINT first, UINT last, bool remove);
bool TakePaint(MSG* message, HWND window, UINT first, UINT last);
bool IsInput(UINT message);
bool InputBlocked(HWND window);
void InstallDeviceChangeListener();

// ---- The script (user_script.cpp) ---------------------------------------------------------

void FireTriggers();
// The dialog's loop is idle: take the next step, which must not be an answer.
void TakeDialogStep(const Window& dialog);
// A box's loop is idle: run the next step, or give the answer.
std::optional<int> TakeBoxStep(const BoxRecord& box);

}  // namespace sim::user::detail
