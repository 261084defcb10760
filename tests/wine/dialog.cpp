#include "tests/wine/dialog.h"

#include <algorithm>

#include "tests/wine/program.h"

namespace wine_checks {
namespace {

constexpr uint32_t kRedLabel = 1005;
constexpr uint32_t kRedVersion = 40014;
constexpr uint32_t kVersionsGroup = 40007;
constexpr COLORREF kKeyColour = RGB(0, 255, 0);
constexpr int kLeastRedPixels = 10;
constexpr int kLeastPicturePixels = 500;
constexpr DWORD kPaintSettleMs = 400;

std::string Name(uint32_t id) {
    return "control " + std::to_string(static_cast<int32_t>(id));
}

std::string Shown(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// MapDialogRect works on a dialog of the calling process only, so the base units come from a
// hidden copy of the same template, with the same font.
class DialogUnits {
public:
    explicit DialogUnits(const DialogTemplate& dialogTemplate) {
        HWND copy = CreateDialogIndirectParamW(
            GetModuleHandleW(nullptr),
            reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.bytes.data()), nullptr, QuietDialog,
            0);
        if (copy == nullptr) return;
        RECT base = {0, 0, 4, 8};
        valid_ = MapDialogRect(copy, &base) != FALSE;
        baseX_ = base.right;
        baseY_ = base.bottom;
        DestroyWindow(copy);
    }

    bool Valid() const { return valid_ && baseX_ > 0 && baseY_ > 0; }
    std::string Describe() const { return std::to_string(baseX_) + " x " + std::to_string(baseY_); }
    // Position and size each, as the dialog manager converts them to pixels each.
    RECT FromPixels(const RECT& r) const {
        LONG x = MulDiv(r.left, 4, baseX_);
        LONG y = MulDiv(r.top, 8, baseY_);
        return {x, y, x + MulDiv(r.right - r.left, 4, baseX_),
                y + MulDiv(r.bottom - r.top, 8, baseY_)};
    }

private:
    bool valid_ = false;
    int baseX_ = 0;
    int baseY_ = 0;
};

}  // namespace

void CheckControls(Checks& checks, HWND dialog, const std::vector<ControlState>& expected) {
    for (const ControlState& want : expected) {
        HWND control = ControlOf(dialog, want.id);
        if (!checks.That(control != nullptr, Name(want.id) + " exists")) continue;
        if (want.text) checks.Equal(TextOf(control), *want.text, Name(want.id) + " text");
        checks.Equal(IsWindowEnabled(control) != FALSE, want.enabled, Name(want.id) + " enabled");
        checks.Equal(IsWindowVisible(control) != FALSE, want.visible, Name(want.id) + " visible");
    }
}

void CheckLayout(Checks& checks, HWND dialog, const DialogTemplate& dialogTemplate) {
    DialogUnits units(dialogTemplate);
    if (!checks.That(units.Valid(), "base units of the dialog font")) return;
    checks.Note("dialog base units " + units.Describe());

    RECT client = {};
    GetClientRect(dialog, &client);
    RECT size = units.FromPixels(client);
    checks.Equal(size.right, dialogTemplate.cx, "client width in dialog units");
    checks.Equal(size.bottom, dialogTemplate.cy, "client height in dialog units");

    std::vector<uint32_t> order;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        order.push_back(static_cast<uint32_t>(GetDlgCtrlID(child)));
    }
    checks.Equal(static_cast<long long>(order.size()),
                 static_cast<long long>(dialogTemplate.items.size()), "controls");
    for (size_t i = 0; i < dialogTemplate.items.size(); ++i) {
        const TemplateItem& item = dialogTemplate.items[i];
        if (i < order.size())
            checks.Equal(order[i], item.id, "control in place " + std::to_string(i + 1));
        HWND control = ControlOf(dialog, item.id);
        if (control == nullptr) continue;
        RECT actual = units.FromPixels(RectInDialog(dialog, control));
        RECT wanted = {item.x, item.y, item.x + item.cx, item.y + item.cy};
        checks.That(
            EqualRect(&actual, &wanted) != FALSE,
            Name(item.id) + " at " + Shown(actual) + " dialog units, template " + Shown(wanted));
    }
}

RECT WindowShot::InShot(const RECT& r) const {
    return {r.left + client.x, r.top + client.y, r.right + client.x, r.bottom + client.y};
}

WindowShot CaptureTogether(HWND window, HWND other) {
    RECT area = {};
    GetWindowRect(window, &area);
    if (other != nullptr) {
        RECT more = {};
        GetWindowRect(other, &more);
        UnionRect(&area, &area, &more);
    }
    POINT client = {0, 0};
    ClientToScreen(window, &client);
    return {Screenshot::Of(area), {client.x - area.left, client.y - area.top}};
}

WindowShot Capture(HWND window) {
    return CaptureTogether(window, nullptr);
}

void Save(Checks& checks, const WindowShot& shot, const std::wstring& directory,
          const std::wstring& name) {
    std::wstring path = directory + L"\\" + name;
    if (checks.That(shot.shot.SavePng(path), "screenshot " + Utf8(name) + " saved")) {
        checks.Note("screenshot " + Utf8(path));
    }
}

void CheckPainting(Checks& checks, HWND dialog, const WindowShot& shot, bool rowsEnabled) {
    for (uint32_t id : {kRedLabel, kRedVersion}) {
        if (!rowsEnabled) break;
        RECT area = shot.InShot(RectInDialog(dialog, ControlOf(dialog, id)));
        int red = shot.shot.Count(area, IsRed);
        checks.That(red >= kLeastRedPixels,
                    Name(id) + " drawn in red: " + std::to_string(red) + " red pixels");
    }
    RECT group = RectInDialog(dialog, ControlOf(dialog, kVersionsGroup));
    RECT client = {};
    GetClientRect(dialog, &client);
    RECT room = shot.InShot({group.right, group.top, client.right, group.bottom});
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int drawn = shot.shot.Count(room, [&](Pixel p) { return !Same(p, face); });
    int key = shot.shot.Count(room, [](Pixel p) { return Same(p, kKeyColour); });
    checks.That(drawn >= kLeastPicturePixels,
                "header picture right of the version group: " + std::to_string(drawn) +
                    " pixels not of the face colour");
    checks.Equal(key, 0, "pixels of the picture's key colour drawn");
}

void LetPaint(HWND window) {
    Ask(window, WM_NULL);
    Sleep(kPaintSettleMs);
    Ask(window, WM_NULL);
}

}  // namespace wine_checks
