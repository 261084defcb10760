// Windows of the simulated platform: the table of windows, their texts and states, activation
// and focus, the progress-bar class, icons, and the built-in behaviour of controls.

#include <algorithm>
#include <cwctype>

#include "sim/platform/kernel.h"
#include "sim/platform/res.h"
#include "sim/platform/user_internal.h"

namespace sim::user::detail {
namespace {

// Window handles are never reused, not even across a reset, so a stale handle stays stale.
uintptr_t nextWindowHandle = 0x20000;

constexpr COLORREF kProgressBarColor = RGB(6, 176, 37);

std::wstring Upper(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

void SaveFocus(Window& topLevel) {
    if (S().focus && IsSelfOrChild(S().focus, topLevel.handle)) topLevel.savedFocus = S().focus;
}

// Where the focus goes when a window becomes active: a dialog gets back its control, or its
// first tab stop; any other window takes the focus itself.
HWND FocusOnActivation(Window& window) {
    if (window.kind != Kind::Dialog) return window.handle;
    Window* saved = Find(window.savedFocus);
    if (saved && saved->enabled && saved->visible) return saved->handle;
    HWND first = NextTabStop(window, nullptr, false);
    return first ? first : window.handle;
}

void ClickButton(Window& button) {
    CallProcedure(button.parent, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED),
                  reinterpret_cast<LPARAM>(button.handle));
}

LRESULT ButtonProcedure(Window& button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsPushButton(button)) return DefaultProcedure(button, message, wParam, lParam);
    switch (message) {
        case WM_LBUTTONDOWN:
            if (!button.enabled) return 0;
            S().focus = button.handle;
            button.pressed = true;
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && button.enabled) button.pressed = true;
            return 0;
        case WM_LBUTTONUP:
        case WM_KEYUP:
            if (message == WM_KEYUP && wParam != VK_SPACE) return 0;
            if (!button.pressed) return 0;
            button.pressed = false;
            if (button.enabled) ClickButton(button);
            return 0;
        default:
            return DefaultProcedure(button, message, wParam, lParam);
    }
}

void PaintProgress(Window& bar) {
    PaintClient(bar);
    gdi::Canvas& canvas = *bar.canvas;
    int filled = canvas.width * std::clamp(bar.position, 0, 100) / 100;
    for (int y = 0; y < canvas.height; ++y) {
        std::fill_n(canvas.pixels.begin() + static_cast<ptrdiff_t>(y) * canvas.width, filled,
                    kProgressBarColor);
    }
}

LRESULT ProgressProcedure(Window& bar, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case PBM_SETPOS: {
            int previous = bar.position;
            bar.position = std::clamp(static_cast<int>(wParam), 0, 100);
            NotifyProgressPosition(bar);
            if (bar.position != previous) bar.needsPaint = bar.visible && bar.canvas != nullptr;
            return previous;
        }
        case WM_PAINT:
            if (bar.canvas) PaintProgress(bar);
            return 0;
        default:
            return DefaultProcedure(bar, message, wParam, lParam);
    }
}

void ResizeCanvas(gdi::Canvas& canvas, const RECT& client) {
    canvas.width = client.right - client.left;
    canvas.height = client.bottom - client.top;
    canvas.pixels.assign(static_cast<size_t>(canvas.width) * canvas.height, gdi::kFaceColor);
}

HICON NewIconHandle() {
    static uintptr_t next = 0x30000;
    next += 2;
    return reinterpret_cast<HICON>(next);
}

Window* WindowOrFail(HWND handle) {
    Window* window = Find(handle);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

}  // namespace

uintptr_t NewWindowHandle() {
    nextWindowHandle += 2;
    return nextWindowHandle;
}

Window& AddWindow(Window window) {
    uintptr_t key = reinterpret_cast<uintptr_t>(window.handle);
    return S().windows.emplace(key, std::move(window)).first->second;
}

Window* FindAny(HWND handle) {
    auto found = S().windows.find(reinterpret_cast<uintptr_t>(handle));
    return found == S().windows.end() ? nullptr : &found->second;
}

Window* Find(HWND handle) {
    Window* window = FindAny(handle);
    return window && !window->destroyed ? window : nullptr;
}

Window* TopLevelOf(HWND handle) {
    Window* window = Find(handle);
    while (window && !window->IsTopLevel()) window = Find(window->parent);
    return window;
}

bool IsSelfOrChild(HWND window, HWND ancestor) {
    for (Window* w = FindAny(window); w; w = FindAny(w->parent)) {
        if (w->handle == ancestor) return true;
    }
    return false;
}

Window* ControlById(Window& dialog, int id) {
    for (HWND child : dialog.children) {
        Window* control = Find(child);
        if (control && control->id == id) return control;
    }
    return nullptr;
}

int MulDivRound(int value, int numerator, int denominator) {
    // As MulDiv: the exact quotient rounded half away from zero.
    int64_t product = int64_t{value} * numerator;
    int64_t half = denominator / 2;
    int64_t rounded =
        product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(rounded);
}

void InvalidateParent(Window& window) {
    // A control is painted with its dialog here, so a change to it repaints the dialog.
    if (Window* parent = Find(window.parent)) parent->needsPaint = parent->visible;
}

void SetText(Window& window, std::wstring text) {
    if (window.text == text) return;
    window.text = std::move(text);
    InvalidateParent(window);
    if (S().observer) S().observer->TextChanged(window.handle, window.text);
}

bool SetEnabled(Window& window, bool enabled) {
    bool wasDisabled = !window.enabled;
    if (window.enabled == enabled) return wasDisabled;
    window.enabled = enabled;
    if (!enabled) {
        window.pressed = false;
        if (S().focus && IsSelfOrChild(S().focus, window.handle)) S().focus = nullptr;
    }
    InvalidateParent(window);
    if (S().observer) S().observer->EnabledChanged(window.handle, enabled);
    return wasDisabled;
}

bool SetVisible(Window& window, bool visible) {
    bool wasVisible = window.visible;
    if (wasVisible == visible) return wasVisible;
    window.visible = visible;
    if (window.IsTopLevel()) {
        window.needsPaint = visible && window.canvas != nullptr;
    } else {
        InvalidateParent(window);
    }
    if (!visible && S().focus && IsSelfOrChild(S().focus, window.handle)) S().focus = nullptr;
    if (S().observer) S().observer->VisibilityChanged(window.handle, visible);
    return wasVisible;
}

HWND Activate(HWND handle) {
    State& s = S();
    HWND previous = Find(s.active) ? s.active : nullptr;
    if (handle == previous) return previous;
    if (Window* old = Find(previous)) {
        SaveFocus(*old);
        s.active = nullptr;
        CallProcedure(previous, WM_ACTIVATE, kActivateInactive, reinterpret_cast<LPARAM>(handle));
    }
    s.active = handle;
    s.activations.push_back(handle);
    s.focus = nullptr;
    if (Window* now = Find(handle)) {
        s.focus = FocusOnActivation(*now);
        CallProcedure(handle, WM_ACTIVATE, kActivateActive, reinterpret_cast<LPARAM>(previous));
    }
    return previous;
}

void DestroyTree(Window& window) {
    State& s = S();
    bool wasActive = s.active == window.handle;
    for (HWND child : window.children) {
        if (Window* c = Find(child)) DestroyTree(*c);
    }
    for (auto& [key, other] : s.windows) {
        if (!other.destroyed && other.parent == window.handle) DestroyTree(other);
    }
    if (s.focus && IsSelfOrChild(s.focus, window.handle)) s.focus = nullptr;
    // The record keeps the window's last texts and states for inspection.
    window.destroyed = true;
    window.needsPaint = false;
    PurgePosted(window.handle);
    if (window.kind == Kind::Progress && window.IsTopLevel()) {
        ProgressRecord& record = s.progress[window.progressIndex];
        record.destroyedMs = Now();
        if (s.observer) s.observer->ProgressDestroyed(record);
    }
    if (wasActive) {
        // The system hands activation back to the owner when the active window goes away.
        s.active = nullptr;
        Window* owner = Find(window.owner);
        Activate(owner && owner->enabled && owner->visible ? owner->handle : nullptr);
    }
}

void NotifyProgressPosition(Window& bar) {
    if (!bar.IsTopLevel()) return;
    ProgressRecord& record = S().progress[bar.progressIndex];
    record.positions.push_back(bar.position);
    record.positionTimesMs.push_back(Now());
    if (S().observer) S().observer->ProgressPosition(record, bar.position);
}

LRESULT CallProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* raw) {
    Window* window = Find(handle);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->kind == Kind::Dialog) return DialogProcedure(*window, message, wParam, lParam, raw);
    LRESULT result = ControlProcedure(*window, message, wParam, lParam);
    if (raw) *raw = result;
    return result;
}

LRESULT ControlProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (window.kind) {
        case Kind::Button:
            return ButtonProcedure(window, message, wParam, lParam);
        case Kind::Progress:
            return ProgressProcedure(window, message, wParam, lParam);
        case Kind::Edit:
            if (message == WM_LBUTTONDOWN && window.enabled) S().focus = window.handle;
            return DefaultProcedure(window, message, wParam, lParam);
        default:
            return DefaultProcedure(window, message, wParam, lParam);
    }
}

LRESULT DefaultProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT:
            SetText(window, lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
            return TRUE;
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<wchar_t*>(lParam);
            if (!buffer || wParam == 0) return 0;
            size_t count = std::min(window.text.size(), static_cast<size_t>(wParam) - 1);
            std::copy_n(window.text.begin(), count, buffer);
            buffer[count] = L'\0';
            return static_cast<LRESULT>(count);
        }
        case WM_PAINT:
            if (window.needsPaint) PaintClient(window);
            return 0;
        default:
            return 0;
    }
}

}  // namespace sim::user::detail

using namespace sim::user::detail;

void InitCommonControls() {
    S().commonControls = true;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* window = WindowOrFail(dialog);
    if (!window) return nullptr;
    if (Window* control = ControlById(*window, id)) return control->handle;
    SetLastError(kErrorControlIdNotFound);
    return nullptr;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    if (!WindowOrFail(window)) return FALSE;
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : L"")) ? TRUE
                                                                                            : FALSE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowTextW(control, text) : FALSE;
}

int GetWindowTextW(HWND handle, LPWSTR buffer, int capacity) {
    Window* window = WindowOrFail(handle);
    if (!window || !buffer || capacity <= 0) return 0;
    size_t count = std::min(window->text.size(), static_cast<size_t>(capacity) - 1);
    std::copy_n(window->text.begin(), count, buffer);
    buffer[count] = L'\0';
    return static_cast<int>(count);
}

int GetWindowTextLengthW(HWND handle) {
    Window* window = WindowOrFail(handle);
    return window ? static_cast<int>(window->text.size()) : 0;
}

BOOL ShowWindow(HWND handle, int command) {
    Window* window = WindowOrFail(handle);
    if (!window) return FALSE;
    bool show = command != SW_HIDE;
    bool wasVisible = SetVisible(*window, show);
    if (window->IsTopLevel()) {
        if (show && !wasVisible) Activate(window->handle);
        if (!show && S().active == window->handle) {
            Window* owner = Find(window->owner);
            Activate(owner && owner->enabled && owner->visible ? owner->handle : nullptr);
        }
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* window = WindowOrFail(handle);
    if (!window) return FALSE;
    return SetEnabled(*window, enable != FALSE) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    Window* window = WindowOrFail(handle);
    if (!window) return FALSE;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = window->screen;
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR text, DWORD style, int x, int y,
                     int width, int height, HWND owner, HMENU menu, HINSTANCE, LPVOID) {
    // Only the common controls' progress bar is ever created this way.
    if (!className || IS_INTRESOURCE(className) || Upper(className) != L"MSCTLS_PROGRESS32" ||
        !S().commonControls) {
        SetLastError(kErrorCannotFindWindowClass);
        return nullptr;
    }
    Window window;
    window.handle = AsHwnd(NewWindowHandle());
    window.kind = Kind::Progress;
    window.className = PROGRESS_CLASSW;
    window.text = text ? text : L"";
    window.exStyle = exStyle;
    window.enabled = (style & WS_DISABLED) == 0;
    if (style & WS_CHILD) {
        Window* parent = WindowOrFail(owner);
        if (!parent) return nullptr;
        window.parent = parent->handle;
        window.id = static_cast<int>(reinterpret_cast<uintptr_t>(menu));
        window.style = style & ~(WS_VISIBLE | WS_DISABLED);
        window.screen = {parent->client.left + x, parent->client.top + y,
                         parent->client.left + x + width, parent->client.top + y + height};
        window.client = window.screen;
        window.visible = (style & WS_VISIBLE) != 0;
        return AddWindow(std::move(window)).handle;
    }
    // A top-level window that is neither child nor pop-up is overlapped: it always has a
    // caption, and with it a fixed frame.
    DWORD effective = style;
    if ((style & WS_POPUP) == 0) effective |= WS_CAPTION | kClipSiblings;
    Window* ownerWindow = owner ? TopLevelOf(owner) : nullptr;
    if (owner && !ownerWindow) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    window.owner = ownerWindow ? ownerWindow->handle : nullptr;
    window.style = effective & ~(WS_VISIBLE | WS_DISABLED);
    window.screen = {x, y, x + width, y + height};
    int frame = (effective & kDlgFrame) ? sim::user::kFrameWidth : (effective & WS_BORDER) ? 1 : 0;
    int caption = (effective & WS_CAPTION) == WS_CAPTION ? sim::user::kCaptionHeight : 0;
    window.client = {x + frame, y + frame + caption, std::max(x + frame, x + width - frame),
                     std::max(y + frame + caption, y + height - frame)};
    window.canvas = std::make_unique<sim::gdi::Canvas>();
    ResizeCanvas(*window.canvas, window.client);
    window.progressIndex = S().progress.size();

    sim::user::ProgressRecord record;
    record.window = window.handle;
    record.owner = window.owner;
    record.text = window.text;
    record.exStyle = exStyle;
    record.style = style;
    record.rect = window.screen;
    record.createdMs = Now();
    S().progress.push_back(record);

    Window& added = AddWindow(std::move(window));
    if (S().observer) S().observer->ProgressCreated(S().progress.back());
    if (style & WS_VISIBLE) {
        SetVisible(added, true);
        Activate(added.handle);
    }
    return added.handle;
}

BOOL DestroyWindow(HWND handle) {
    Window* window = WindowOrFail(handle);
    if (!window) return FALSE;
    DestroyTree(*window);
    return TRUE;
}

HWND GetActiveWindow() {
    return Find(S().active) ? S().active : nullptr;
}

HWND SetActiveWindow(HWND handle) {
    if (!handle) return Activate(nullptr);
    Window* window = WindowOrFail(handle);
    if (!window) return nullptr;
    if (!window->IsTopLevel()) return GetActiveWindow();
    return Activate(handle);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (!instance || instance != sim::res::ProgramInstance()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    auto id = sim::res::Id::From(name);
    const auto* resource = sim::res::Find(sim::res::Id::From(RT_GROUP_ICON), id);
    if (!resource || !sim::res::ParseIconGroup(resource->data)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // Icons from resources are shared: loading the same one again gives the same handle.
    auto& byId = S().iconsById;
    auto found = byId.find(id.number);
    if (found != byId.end()) return found->second;
    HICON icon = NewIconHandle();
    byId[id.number] = icon;
    S().icons[reinterpret_cast<uintptr_t>(icon)] = id.number;
    return icon;
}

namespace {

ULONG_PTR ReplaceClassIcon(HWND handle, int index, ULONG_PTR value) {
    Window* window = WindowOrFail(handle);
    if (!window) return 0;
    if (index != GCL_HICON) {
        SetLastError(kErrorInvalidIndex);
        return 0;
    }
    HICON& icon = S().classIcons[window->className];
    auto previous = reinterpret_cast<ULONG_PTR>(icon);
    icon = reinterpret_cast<HICON>(value);
    return previous;
}

}  // namespace

DWORD SetClassLongW(HWND window, int index, LONG value) {
    return static_cast<DWORD>(
        ReplaceClassIcon(window, index, static_cast<ULONG_PTR>(static_cast<DWORD>(value))));
}

ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value) {
    return ReplaceClassIcon(window, index, static_cast<ULONG_PTR>(value));
}
