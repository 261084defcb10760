// Drawing on the simulated platform: device contexts over real pixel canvases, bitmaps from
// the program's resources, and a count of live objects so a leak shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/platform/win32_sim.h"

namespace sim::gdi {

// The dialog face colour of a standard desktop.
constexpr COLORREF kFaceColor = RGB(240, 240, 240);
constexpr COLORREF kDefaultTextColor = RGB(0, 0, 0);
constexpr int kDefaultBkMode = OPAQUE;

// What GetSystemMetrics answers: a standard desktop at 96 DPI.
constexpr int kScreenWidth = 1920;   // SM_CXSCREEN
constexpr int kScreenHeight = 1080;  // SM_CYSCREEN
constexpr int kDialogFrame = 3;      // SM_CXDLGFRAME, SM_CYDLGFRAME
constexpr int kCaptionHeight = 23;   // SM_CYCAPTION

// Bitmaps loaded from resources are compatible with the display: 32 bits per pixel.
constexpr int kDisplayBitsPerPixel = 32;

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // top row first
    void Resize(int w, int h, COLORREF fill);
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A device context drawing on a window's canvas; the window part makes one for BeginPaint
// and releases it in EndPaint. Drawing through it is clipped to the canvas and, in the second
// form, also to `clip` (the region being painted, in canvas coordinates). The canvas must
// outlive the device context.
HDC CreateCanvasDC(Canvas* canvas);
HDC CreateCanvasDC(Canvas* canvas, const RECT& clip);
void ReleaseCanvasDC(HDC dc);

struct DcState {
    COLORREF textColor = kDefaultTextColor;
    int bkMode = kDefaultBkMode;
};
// The colours set on a device context; a default state for an unknown one.
DcState StateOf(HDC dc);

// For tests: a bitmap holding these pixels, as if loaded; release it with DeleteObject.
HBITMAP MakeBitmap(const Canvas& pixels);
// The pixels of a bitmap, or null for a handle that is no live bitmap.
const Canvas* PixelsOf(HGDIOBJ bitmap);

// Device contexts, bitmaps and other GDI objects alive right now, canvas DCs included.
size_t LiveObjectCount();

// Forgets every object: the state at process start.
void ResetGdi();

}  // namespace sim::gdi
