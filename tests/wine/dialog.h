// The main dialog as a person sees it: the controls' texts and states, their places in dialog
// units against the template, and what is painted.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/wine/checks.h"
#include "tests/wine/module.h"
#include "tests/wine/screen.h"

namespace wine_checks {

struct ControlState {
    uint32_t id;
    std::optional<std::wstring> text;  // none: not looked at
    bool enabled;
    bool visible;
};

void CheckControls(Checks& checks, HWND dialog, const std::vector<ControlState>& expected);

// Every control where the template puts it, converted back to dialog units with the dialog
// font's base units, in template order, and the client area the template's size.
void CheckLayout(Checks& checks, HWND dialog, const DialogTemplate& dialogTemplate);

// The window as the screen shows it, with where its client area starts in the picture.
struct WindowShot {
    Screenshot shot;
    POINT client;
    RECT InShot(const RECT& clientRect) const;
};
WindowShot Capture(HWND window);
WindowShot CaptureTogether(HWND window, HWND other);
void Save(Checks& checks, const WindowShot& shot, const std::wstring& directory,
          const std::wstring& name);

// The header picture right of the version group, drawn without its green key colour, and, while
// the version rows are enabled, red text in the two red controls. Disabled, the system draws
// their text in its grey whatever colour the dialog chooses.
void CheckPainting(Checks& checks, HWND dialog, const WindowShot& shot, bool rowsEnabled);

// Waits for the dialog's painting to be done.
void LetPaint(HWND window);

}  // namespace wine_checks
