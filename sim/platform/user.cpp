// The window part's state, and what tests and the simulated run can ask of it.

#include "sim/platform/user.h"

#include "sim/platform/kernel.h"
#include "sim/platform/user_internal.h"

namespace sim::user::detail {

State& S() {
    static State state;
    return state;
}

uint64_t Now() {
    return sim::NowMilliseconds();
}

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t wide : text) {
        auto c = static_cast<uint32_t>(wide);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace sim::user::detail

namespace sim::user {

using detail::Find;
using detail::FindAny;
using detail::S;

namespace {

RECT Offset(const RECT& rect, int dx, int dy) {
    return {rect.left - dx, rect.top - dy, rect.right - dx, rect.bottom - dy};
}

WindowInfo Snapshot(const detail::Window& w) {
    WindowInfo info;
    info.handle = w.handle;
    info.className = w.className;
    info.text = w.text;
    info.style = w.style | (w.visible ? WS_VISIBLE : 0u) | (w.enabled ? 0u : WS_DISABLED);
    info.exStyle = w.exStyle;
    info.id = w.id;
    info.parent = w.parent;
    info.owner = w.owner;
    info.screen = w.screen;
    info.client = w.client;
    info.inParent = w.screen;
    if (const detail::Window* parent = FindAny(w.parent)) {
        info.inParent = Offset(w.screen, parent->client.left, parent->client.top);
    }
    info.enabled = w.enabled;
    info.visible = w.visible;
    info.destroyed = w.destroyed;
    info.needsPaint = w.needsPaint;
    return info;
}

const detail::Window* ControlRecord(int id) {
    const detail::Window* dialog = FindAny(S().mainDialog);
    if (!dialog) return nullptr;
    for (HWND child : dialog->children) {
        const detail::Window* control = FindAny(child);
        if (control && control->id == id) return control;
    }
    return nullptr;
}

}  // namespace

HWND MainDialog() {
    return S().mainDialog;
}

HWND Control(int id) {
    const detail::Window* control = ControlRecord(id);
    return control ? control->handle : nullptr;
}

std::vector<HWND> Controls() {
    const detail::Window* dialog = FindAny(S().mainDialog);
    return dialog ? dialog->children : std::vector<HWND>{};
}

std::optional<WindowInfo> Info(HWND window) {
    const detail::Window* w = FindAny(window);
    if (!w) return std::nullopt;
    return Snapshot(*w);
}

WindowInfo InfoOf(int controlId) {
    const detail::Window* control = ControlRecord(controlId);
    if (!control) throw ScriptError("the dialog has no control " + std::to_string(controlId));
    return Snapshot(*control);
}

std::wstring Text(HWND window) {
    const detail::Window* w = FindAny(window);
    return w ? w->text : std::wstring();
}

std::wstring Text(int controlId) {
    return InfoOf(controlId).text;
}
bool IsEnabled(int controlId) {
    return InfoOf(controlId).enabled;
}
bool IsVisible(int controlId) {
    return InfoOf(controlId).visible;
}

HWND Focus() {
    return Find(S().focus) ? S().focus : nullptr;
}
HWND ActiveWindow() {
    return Find(S().active) ? S().active : nullptr;
}
const std::vector<HWND>& ActivationHistory() {
    return S().activations;
}
bool DialogEverShown() {
    return S().dialogShown;
}
std::optional<INT_PTR> DialogResult() {
    return S().dialogResult;
}
size_t PostedCount() {
    return S().posted.size();
}

const std::vector<BoxRecord>& Boxes() {
    return S().boxes;
}
const std::vector<ProgressRecord>& ProgressWindows() {
    return S().progress;
}

size_t ProgressWindowsAlive() {
    size_t alive = 0;
    for (const auto& record : S().progress) {
        if (!record.destroyedMs) ++alive;
    }
    return alive;
}

std::optional<ColorRecord> Colors(int controlId) {
    HWND control = Control(controlId);
    auto found = S().colors.find(reinterpret_cast<uintptr_t>(control));
    if (!control || found == S().colors.end()) return std::nullopt;
    return found->second;
}

const std::vector<RegistrationRecord>& Registrations() {
    return S().registrations;
}

size_t LiveRegistrations() {
    size_t live = 0;
    for (const auto& registration : S().registrations) {
        if (registration.live) ++live;
    }
    return live;
}

const std::vector<DeliveryRecord>& Deliveries() {
    return S().deliveries;
}

bool CommonControlsInitialized() {
    return S().commonControls;
}

HICON ClassIcon() {
    const detail::Window* dialog = FindAny(S().mainDialog);
    auto found = S().classIcons.find(dialog ? dialog->className : std::wstring(L"#32770"));
    return found == S().classIcons.end() ? nullptr : found->second;
}

std::optional<uint16_t> IconResource(HICON icon) {
    auto found = S().icons.find(reinterpret_cast<uintptr_t>(icon));
    if (found == S().icons.end()) return std::nullopt;
    return found->second;
}

const gdi::Canvas* CanvasOf(HWND window) {
    const detail::Window* w = FindAny(window ? window : S().mainDialog);
    return w ? w->canvas.get() : nullptr;
}

void SetObserver(Observer* observer) {
    S().observer = observer;
}

void Reset() {
    S() = detail::State{};
    detail::InstallDeviceChangeListener();
}

}  // namespace sim::user
