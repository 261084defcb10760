// Dialogs of the simulated platform: built from the compiled template, run modally, with the
// dialog manager's keys, the default dialog handling, and painting.

#include <algorithm>

#include "sim/platform/res.h"
#include "sim/platform/user_internal.h"

namespace sim::user::detail {
namespace {

int ToPixelsX(int units) {
    return MulDivRound(units, kDialogBaseUnitX, 4);
}
int ToPixelsY(int units) {
    return MulDivRound(units, kDialogBaseUnitY, 8);
}

std::optional<Kind> ControlKind(const std::wstring& className) {
    if (className == L"BUTTON") return Kind::Button;
    if (className == L"STATIC") return Kind::Static;
    if (className == L"EDIT") return Kind::Edit;
    return std::nullopt;
}

// The controls that ask their dialog for colours with WM_CTLCOLORSTATIC when they paint.
bool PaintsAsStatic(const Window& control) {
    switch (control.kind) {
        case Kind::Static:
            return true;
        case Kind::Edit:
            return (control.style & ES_READONLY) != 0 || !control.enabled;
        case Kind::Button:
            return IsGroupBox(control);
        default:
            return false;
    }
}

// The outer frame of a dialog: a modal or dialog frame is three pixels, a plain border one.
int FrameWidth(DWORD style) {
    if ((style & DS_MODALFRAME) || (style & kDlgFrame)) return kFrameWidth;
    return (style & WS_BORDER) ? 1 : 0;
}

int CaptionHeight(DWORD style) {
    return (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
}

// Messages whose dialog-procedure result is the message's result itself.
bool ReturnsProcedureResult(UINT message) {
    return (message >= 0x0132 && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG ||
           message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */ ||
           message == 0x002F /* WM_CHARTOITEM */ || message == 0x0037 /* WM_QUERYDRAGICON */;
}

Window& BuildDialog(const res::DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure) {
    Window dialog;
    dialog.handle = AsHwnd(NewWindowHandle());
    dialog.kind = Kind::Dialog;
    dialog.className = L"#32770";
    dialog.text = dialogTemplate.title;
    dialog.style = dialogTemplate.style & ~(WS_VISIBLE | WS_DISABLED);
    dialog.exStyle = dialogTemplate.exStyle;
    dialog.owner = owner;
    dialog.procedure = procedure;
    dialog.enabled = (dialogTemplate.style & WS_DISABLED) == 0;

    int clientWidth = ToPixelsX(dialogTemplate.cx);
    int clientHeight = ToPixelsY(dialogTemplate.cy);
    int frame = FrameWidth(dialogTemplate.style);
    int caption = CaptionHeight(dialogTemplate.style);
    int width = clientWidth + 2 * frame;
    int height = clientHeight + 2 * frame + caption;
    int x = ToPixelsX(dialogTemplate.x);
    int y = ToPixelsY(dialogTemplate.y);
    if (dialogTemplate.style & DS_CENTER) {
        x = (kWorkArea.left + kWorkArea.right - width) / 2;
        y = (kWorkArea.top + kWorkArea.bottom - height) / 2;
    }
    dialog.screen = {x, y, x + width, y + height};
    dialog.client = {x + frame, y + frame + caption, x + frame + clientWidth,
                     y + frame + caption + clientHeight};
    dialog.canvas = std::make_unique<gdi::Canvas>();
    dialog.canvas->width = clientWidth;
    dialog.canvas->height = clientHeight;
    dialog.canvas->pixels.assign(static_cast<size_t>(clientWidth) * clientHeight, gdi::kFaceColor);
    return AddWindow(std::move(dialog));
}

bool AddControl(Window& dialog, const res::DialogItem& item) {
    auto kind = ControlKind(item.className);
    if (!kind) return false;
    Window control;
    control.handle = AsHwnd(NewWindowHandle());
    control.kind = *kind;
    control.className = item.className;
    control.text = item.text;
    control.style = item.style & ~(WS_VISIBLE | WS_DISABLED);
    control.exStyle = item.exStyle;
    control.id = item.id;
    control.parent = dialog.handle;
    control.enabled = (item.style & WS_DISABLED) == 0;
    control.visible = (item.style & WS_VISIBLE) != 0;
    int left = dialog.client.left + ToPixelsX(item.x);
    int top = dialog.client.top + ToPixelsY(item.y);
    control.screen = {left, top, left + ToPixelsX(item.cx), top + ToPixelsY(item.cy)};
    control.client = control.screen;
    dialog.children.push_back(control.handle);
    AddWindow(std::move(control));
    return true;
}

void SendCommand(Window& dialog, int id) {
    Window* control = ControlById(dialog, id);
    CallProcedure(dialog.handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                  reinterpret_cast<LPARAM>(control ? control->handle : nullptr));
}

void Escape(Window& dialog) {
    Window* cancel = ControlById(dialog, IDCANCEL);
    if (!cancel || cancel->enabled) SendCommand(dialog, IDCANCEL);
}

// Enter: the focused push button, else the default push button, else IDOK.
void Enter(Window& dialog) {
    Window* focus = Find(S().focus);
    if (focus && focus->parent == dialog.handle && IsPushButton(*focus) && focus->enabled) {
        SendCommand(dialog, focus->id);
        return;
    }
    for (HWND child : dialog.children) {
        Window* c = Find(child);
        if (c && c->kind == Kind::Button && (c->style & kButtonTypeMask) == BS_DEFPUSHBUTTON) {
            if (c->enabled) SendCommand(dialog, c->id);
            return;
        }
    }
    SendCommand(dialog, IDOK);
}

void Tab(Window& dialog, bool backwards) {
    HWND next = NextTabStop(dialog, S().focus, backwards);
    if (next) S().focus = next;
}

// WM_CLOSE of a dialog becomes the Cancel command, unless a Cancel button is disabled.
void Close(Window& dialog) {
    Window* cancel = ControlById(dialog, IDCANCEL);
    if (cancel && !cancel->enabled) return;
    PostMessageInternal(dialog.handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                        reinterpret_cast<LPARAM>(cancel ? cancel->handle : nullptr));
}

LRESULT DefaultDialogHandling(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            Close(dialog);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) CallProcedure(dialog.handle, WM_CLOSE, 0, 0);
            return 0;
        case WM_NCLBUTTONDOWN:
            if (wParam == HTCLOSE && (dialog.style & WS_SYSMENU) && dialog.enabled) {
                CallProcedure(dialog.handle, WM_SYSCOMMAND, SC_CLOSE, lParam);
            }
            return 0;
        default:
            return DefaultProcedure(dialog, message, wParam, lParam);
    }
}

// After the dialog itself has painted, its static controls paint: each asks the dialog for
// its colours, and what the dialog set on the device context is recorded.
void PaintControls(Window& dialog) {
    for (HWND child : dialog.children) {
        Window* control = Find(child);
        if (!control || !control->visible || !PaintsAsStatic(*control)) continue;
        HDC dc = gdi::CreateCanvasDC(dialog.canvas.get());
        INT_PTR raw = 0;
        CallProcedure(dialog.handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                      reinterpret_cast<LPARAM>(child), &raw);
        gdi::DcState state = gdi::StateOf(dc);
        gdi::ReleaseCanvasDC(dc);
        ColorRecord& record = S().colors[reinterpret_cast<uintptr_t>(child)];
        record.control = child;
        record.id = control->id;
        record.result = raw;
        record.textColor = state.textColor;
        record.bkMode = state.bkMode;
        record.systemColors = raw == 0;
        ++record.paintCount;
        if (!Find(dialog.handle)) return;
    }
}

}  // namespace

HWND NextTabStop(Window& dialog, HWND from, bool backwards) {
    std::vector<HWND> stops;
    for (HWND child : dialog.children) {
        Window* c = Find(child);
        if (c && c->visible && c->enabled && (c->style & WS_TABSTOP)) stops.push_back(child);
    }
    if (stops.empty()) return nullptr;
    auto position = std::find(dialog.children.begin(), dialog.children.end(), from);
    if (position == dialog.children.end()) return backwards ? stops.back() : stops.front();
    // Walk the template order from the current control, wrapping, to the next tab stop.
    size_t count = dialog.children.size();
    size_t index = static_cast<size_t>(position - dialog.children.begin());
    for (size_t step = 1; step <= count; ++step) {
        size_t candidate = backwards ? (index + count - step) % count : (index + step) % count;
        HWND child = dialog.children[candidate];
        if (std::find(stops.begin(), stops.end(), child) != stops.end()) return child;
    }
    return nullptr;
}

void PaintClient(Window& window) {
    PAINTSTRUCT paint{};
    BeginPaint(window.handle, &paint);
    EndPaint(window.handle, &paint);
}

LRESULT DialogProcedure(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* raw) {
    HWND handle = dialog.handle;
    bool paintWanted = message == WM_PAINT && dialog.needsPaint;
    INT_PTR result = dialog.procedure ? dialog.procedure(handle, message, wParam, lParam) : 0;
    if (raw) *raw = result;
    Window* still = Find(handle);
    if (!still) return 0;
    LRESULT answer = 0;
    if (ReturnsProcedureResult(message) && result) {
        answer = result;
    } else if (result == 0) {
        answer = DefaultDialogHandling(*still, message, wParam, lParam);
    }
    if (paintWanted) {
        // A window that was never validated would be asked to paint forever.
        if (still->needsPaint) PaintClient(*still);
        PaintControls(*still);
    }
    return answer;
}

bool HandleDialogMessage(Window& dialog, const MSG& message) {
    if (message.message != WM_KEYDOWN || !IsSelfOrChild(message.hwnd, dialog.handle)) return false;
    switch (message.wParam) {
        case VK_TAB:
            Tab(dialog, S().shiftDown);
            return true;
        case VK_ESCAPE:
            Escape(dialog);
            return true;
        case VK_RETURN:
            Enter(dialog);
            return true;
        default:
            return false;
    }
}

}  // namespace sim::user::detail

using namespace sim::user::detail;

namespace {

void RunDialogLoop(HWND handle) {
    for (;;) {
        Window* dialog = Find(handle);
        if (!dialog || dialog->ended) return;
        BeginRetrieval(sim::user::Retrieval::DialogLoop);
        dialog = Find(handle);
        if (!dialog || dialog->ended) return;
        MSG message{};
        if (TakePosted(&message, nullptr, 0, 0, true) || TakePaint(&message, nullptr, 0, 0)) {
            if (!HandleDialogMessage(*dialog, message)) DispatchMessageW(&message);
            continue;
        }
        TakeDialogStep(*dialog);
    }
}

void ShowDialog(Window& dialog) {
    SetVisible(dialog, true);
    S().dialogShown = true;
    if (S().observer) S().observer->DialogShown(dialog.handle);
    Activate(dialog.handle);
}

}  // namespace

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter) {
    namespace res = sim::res;
    // No instance means the program's own module, as it does for the system.
    if (instance && instance != res::ProgramInstance()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return -1;
    }
    const res::Resource* resource =
        res::Find(res::Id::From(RT_DIALOG), res::Id::From(templateName));
    if (!resource) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    auto dialogTemplate = res::ParseDialog(resource->data);
    if (!dialogTemplate) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return -1;
    }
    Window* ownerWindow = owner ? TopLevelOf(owner) : nullptr;
    Window& built =
        BuildDialog(*dialogTemplate, ownerWindow ? ownerWindow->handle : nullptr, procedure);
    HWND handle = built.handle;
    for (const auto& item : dialogTemplate->items) {
        if (!AddControl(built, item)) {
            DestroyTree(built);
            SetLastError(kErrorCannotFindWindowClass);
            return -1;
        }
    }
    S().mainDialog = handle;

    bool ownerDisabled = ownerWindow && ownerWindow->enabled;
    if (ownerDisabled) SetEnabled(*ownerWindow, false);

    HWND first = NextTabStop(built, nullptr, false);
    INT_PTR wantsFocus = 0;
    CallProcedure(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), parameter, &wantsFocus);
    Window* dialog = Find(handle);
    if (dialog && wantsFocus) dialog->savedFocus = first;
    if (dialog && !dialog->ended) {
        ShowDialog(*dialog);
        RunDialogLoop(handle);
    }

    Window* ended = FindAny(handle);
    INT_PTR result = ended->ended ? ended->result : 0;
    if (!ended->destroyed) DestroyTree(*ended);
    if (ownerDisabled) {
        if (Window* o = Find(ownerWindow->handle)) SetEnabled(*o, true);
    }
    S().dialogResult = result;
    if (S().observer) S().observer->DialogEnded(handle, result);
    return result;
}

BOOL EndDialog(HWND handle, INT_PTR result) {
    Window* dialog = Find(handle);
    if (!dialog || dialog->kind != Kind::Dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    dialog->ended = true;
    dialog->result = result;
    ShowWindow(handle, SW_HIDE);
    return TRUE;
}

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    Window* window = Find(handle);
    Window* top = TopLevelOf(handle);
    if (!window || !top || !top->canvas || !paint) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // The painted area: the whole client area, as after the default erase.
    RECT area = {window->client.left - top->client.left, window->client.top - top->client.top,
                 window->client.right - top->client.left, window->client.bottom - top->client.top};
    sim::gdi::Canvas& canvas = *top->canvas;
    int left = std::max(0, static_cast<int>(area.left));
    int right = std::min(canvas.width, static_cast<int>(area.right));
    for (int y = std::max(0, static_cast<int>(area.top));
         y < std::min(canvas.height, static_cast<int>(area.bottom)); ++y) {
        for (int x = left; x < right; ++x)
            canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = sim::gdi::kFaceColor;
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = sim::gdi::CreateCanvasDC(&canvas);
    paint->fErase = FALSE;
    paint->rcPaint = {0, 0, area.right - area.left, area.bottom - area.top};
    // BeginPaint validates: a window invalidated while it paints is asked again.
    window->needsPaint = false;
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint && paint->hdc) sim::gdi::ReleaseCanvasDC(paint->hdc);
    return TRUE;
}
