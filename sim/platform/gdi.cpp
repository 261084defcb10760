// The GDI part of the simulated platform: device contexts over pixel canvases, bitmaps
// decoded from the program's resources, and the scaled, key-coloured copy of TransparentBlt.
#include "sim/platform/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>
#include <variant>

#include "sim/platform/res.h"

namespace sim::gdi {
namespace {

constexpr DWORD kErrorInvalidData = 13;  // ERROR_INVALID_DATA: a bitmap that cannot be decoded
constexpr int kSmCxScreen = 0;
constexpr int kSmCyScreen = 1;
constexpr int kSmCyDlgFrame = 8;

struct Bitmap {
    Canvas pixels;
    int bitsPerPixel = kDisplayBitsPerPixel;
    uintptr_t selectedInto = 0;  // the memory DC holding it, 0 when none
};

struct Dc {
    bool memory = false;
    Canvas* canvas = nullptr;  // a window's canvas, for canvas DCs
    std::optional<RECT> clip;
    uintptr_t bitmap = 0;  // the bitmap selected into a memory DC
    DcState state;
};

using Object = std::variant<Dc, Bitmap>;

struct Objects {
    // Handle values are never reused, so a stale handle fails instead of reaching a new object.
    uintptr_t next = 0x10000;
    std::map<uintptr_t, Object> live;
};

Objects& TheObjects() {
    static Objects objects;
    return objects;
}

// Every memory DC starts with this one-pixel monochrome stock bitmap selected; it is never
// deleted and never counted.
constexpr uintptr_t kStockBitmap = 0x0185000F;

Bitmap& StockBitmap() {
    static Bitmap stock{Canvas{1, 1, {RGB(0, 0, 0)}}, 1, 0};
    return stock;
}

uintptr_t ValueOf(const void* handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

uintptr_t Add(Object object) {
    Objects& objects = TheObjects();
    uintptr_t value = objects.next;
    objects.next += 4;
    objects.live.emplace(value, std::move(object));
    return value;
}

template <class T>
T* Find(uintptr_t value) {
    auto found = TheObjects().live.find(value);
    return found == TheObjects().live.end() ? nullptr : std::get_if<T>(&found->second);
}

Dc* FindDc(HDC dc) {
    return Find<Dc>(ValueOf(dc));
}

Bitmap* FindBitmap(uintptr_t value) {
    return value == kStockBitmap ? &StockBitmap() : Find<Bitmap>(value);
}

// The pixels a DC draws on: its window's canvas, or the bitmap selected into it.
Canvas& SurfaceOf(Dc& dc) {
    return dc.memory ? FindBitmap(dc.bitmap)->pixels : *dc.canvas;
}

RECT DrawableArea(const Dc& dc, const Canvas& surface) {
    RECT area{0, 0, surface.width, surface.height};
    if (dc.clip) {
        area.left = std::max(area.left, dc.clip->left);
        area.top = std::max(area.top, dc.clip->top);
        area.right = std::min(area.right, dc.clip->right);
        area.bottom = std::min(area.bottom, dc.clip->bottom);
    }
    return area;
}

// Nearest neighbour: the source pixel under the centre of destination pixel `index`.
int64_t SourceIndex(int64_t index, int64_t destinationSize, int64_t sourceSize) {
    return (2 * index + 1) * sourceSize / (2 * destinationSize);
}

HDC AddCanvasDc(Canvas* canvas, std::optional<RECT> clip) {
    if (!canvas) return nullptr;
    Dc dc;
    dc.canvas = canvas;
    dc.clip = clip;
    return reinterpret_cast<HDC>(Add(dc));
}

}  // namespace

void Canvas::Resize(int w, int h, COLORREF fill) {
    width = std::max(w, 0);
    height = std::max(h, 0);
    pixels.assign(static_cast<size_t>(width) * height, fill);
}

HDC CreateCanvasDC(Canvas* canvas) {
    return AddCanvasDc(canvas, std::nullopt);
}

HDC CreateCanvasDC(Canvas* canvas, const RECT& clip) {
    return AddCanvasDc(canvas, clip);
}

void ReleaseCanvasDC(HDC dc) {
    Dc* found = FindDc(dc);
    if (found && !found->memory) TheObjects().live.erase(ValueOf(dc));
}

DcState StateOf(HDC dc) {
    Dc* found = FindDc(dc);
    return found ? found->state : DcState{};
}

HBITMAP MakeBitmap(const Canvas& pixels) {
    Bitmap bitmap;
    bitmap.pixels = pixels;
    return reinterpret_cast<HBITMAP>(Add(bitmap));
}

const Canvas* PixelsOf(HGDIOBJ bitmap) {
    Bitmap* found = FindBitmap(ValueOf(bitmap));
    return found ? &found->pixels : nullptr;
}

size_t LiveObjectCount() {
    return TheObjects().live.size();
}

void ResetGdi() {
    TheObjects().live.clear();
}

}  // namespace sim::gdi

using sim::gdi::Bitmap;
using sim::gdi::Dc;

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
    // Without a module this loads the system's predefined bitmaps, of which there are none here.
    if (!instance) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HRSRC found = FindResourceW(instance, name, RT_BITMAP);
    if (!found) return nullptr;
    std::optional<sim::res::Dib> dib = sim::res::DecodeBitmap(sim::res::FromHandle(found)->data);
    if (!dib) {
        SetLastError(sim::gdi::kErrorInvalidData);
        return nullptr;
    }
    Bitmap bitmap;
    bitmap.pixels.width = dib->width;
    bitmap.pixels.height = std::abs(dib->height);
    bitmap.pixels.pixels = std::move(dib->pixels);
    return reinterpret_cast<HBITMAP>(sim::gdi::Add(std::move(bitmap)));
}

int GetObjectW(HGDIOBJ object, int size, LPVOID out) {
    Bitmap* bitmap = sim::gdi::FindBitmap(sim::gdi::ValueOf(object));
    if (!bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!out) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP description{};
    description.bmType = 0;
    description.bmWidth = bitmap->pixels.width;
    description.bmHeight = bitmap->pixels.height;
    // A device-dependent bitmap's rows are whole 16-bit words.
    description.bmWidthBytes = (bitmap->pixels.width * bitmap->bitsPerPixel + 15) / 16 * 2;
    description.bmPlanes = 1;
    description.bmBitsPixel = static_cast<WORD>(bitmap->bitsPerPixel);
    description.bmBits = nullptr;
    *static_cast<BITMAP*>(out) = description;
    return sizeof(BITMAP);
}

HDC CreateCompatibleDC(HDC dc) {
    // No DC means one compatible with the screen.
    if (dc && !sim::gdi::FindDc(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Dc memory;
    memory.memory = true;
    memory.bitmap = sim::gdi::kStockBitmap;
    return reinterpret_cast<HDC>(sim::gdi::Add(memory));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Dc* target = sim::gdi::FindDc(dc);
    uintptr_t value = sim::gdi::ValueOf(object);
    Bitmap* bitmap = sim::gdi::FindBitmap(value);
    if (!target || !bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A bitmap goes only into a memory DC, and into one at a time.
    if (!target->memory) return nullptr;
    if (value == target->bitmap) return object;
    if (value != sim::gdi::kStockBitmap && bitmap->selectedInto != 0) return nullptr;

    uintptr_t previous = target->bitmap;
    if (previous != sim::gdi::kStockBitmap) sim::gdi::FindBitmap(previous)->selectedInto = 0;
    target->bitmap = value;
    if (value != sim::gdi::kStockBitmap) bitmap->selectedInto = sim::gdi::ValueOf(dc);
    return reinterpret_cast<HGDIOBJ>(previous);
}

BOOL DeleteDC(HDC dc) {
    Dc* found = sim::gdi::FindDc(dc);
    // A canvas DC belongs to its paint cycle and ends with EndPaint.
    if (!found || !found->memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->bitmap != sim::gdi::kStockBitmap)
        sim::gdi::FindBitmap(found->bitmap)->selectedInto = 0;
    sim::gdi::TheObjects().live.erase(sim::gdi::ValueOf(dc));
    return TRUE;
}

BOOL DeleteObject(HGDIOBJ object) {
    uintptr_t value = sim::gdi::ValueOf(object);
    if (value == sim::gdi::kStockBitmap) return TRUE;  // stock objects survive deletion
    Bitmap* bitmap = sim::gdi::Find<Bitmap>(value);
    // An object still selected into a DC is not deleted.
    if (!bitmap || bitmap->selectedInto != 0) return FALSE;
    sim::gdi::TheObjects().live.erase(value);
    return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    Dc* found = sim::gdi::FindDc(dc);
    if (!found) return CLR_INVALID;
    return std::exchange(found->state.textColor, color);
}

int SetBkMode(HDC dc, int mode) {
    Dc* found = sim::gdi::FindDc(dc);
    if (!found || (mode != TRANSPARENT && mode != OPAQUE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(found->state.bkMode, mode);
}

int GetSystemMetrics(int index) {
    switch (index) {
        case sim::gdi::kSmCxScreen:
            return sim::gdi::kScreenWidth;
        case sim::gdi::kSmCyScreen:
            return sim::gdi::kScreenHeight;
        case SM_CXDLGFRAME:
        case sim::gdi::kSmCyDlgFrame:
            return sim::gdi::kDialogFrame;
        case SM_CYCAPTION:
            return sim::gdi::kCaptionHeight;
        default:
            return 0;
    }
}

BOOL TransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, UINT transparent) {
    Dc* to = sim::gdi::FindDc(destination);
    Dc* from = sim::gdi::FindDc(source);
    if (!to || !from) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    sim::gdi::Canvas& target = sim::gdi::SurfaceOf(*to);
    const sim::gdi::Canvas& picture = sim::gdi::SurfaceOf(*from);
    // No mirroring, and the source rectangle must lie within the source.
    bool sizesValid = width > 0 && height > 0 && sourceWidth > 0 && sourceHeight > 0;
    bool sourceInside = sourceX >= 0 && sourceY >= 0 &&
                        int64_t{sourceX} + sourceWidth <= picture.width &&
                        int64_t{sourceY} + sourceHeight <= picture.height;
    if (!sizesValid || !sourceInside) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Copying within one surface reads the pixels as they were before the copy.
    std::optional<sim::gdi::Canvas> before;
    if (&target == &picture) before = picture;
    const sim::gdi::Canvas& read = before ? *before : picture;

    RECT area = sim::gdi::DrawableArea(*to, target);
    COLORREF key = transparent & 0x00FFFFFF;
    int64_t firstRow = std::max<int64_t>(0, int64_t{area.top} - y);
    int64_t endRow = std::min<int64_t>(height, int64_t{area.bottom} - y);
    int64_t firstColumn = std::max<int64_t>(0, int64_t{area.left} - x);
    int64_t endColumn = std::min<int64_t>(width, int64_t{area.right} - x);
    for (int64_t row = firstRow; row < endRow; ++row) {
        int64_t sy = sourceY + sim::gdi::SourceIndex(row, height, sourceHeight);
        for (int64_t column = firstColumn; column < endColumn; ++column) {
            int64_t sx = sourceX + sim::gdi::SourceIndex(column, width, sourceWidth);
            COLORREF pixel = read.At(static_cast<int>(sx), static_cast<int>(sy));
            if ((pixel & 0x00FFFFFF) == key) continue;
            target.pixels[static_cast<size_t>(y + row) * target.width +
                          static_cast<size_t>(x + column)] = pixel;
        }
    }
    return TRUE;
}
