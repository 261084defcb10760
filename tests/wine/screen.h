// What the screen shows: a capture of a rectangle of the desktop, its pixels, and the picture
// saved as PNG for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wine_checks {

struct Pixel {
    uint8_t red, green, blue;
};

class Screenshot {
public:
    // The rectangle in screen coordinates, as the screen shows it now.
    static Screenshot Of(const RECT& screenRect);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // x, y relative to the captured rectangle's top left corner.
    Pixel At(int x, int y) const;
    // How many pixels within the rectangle (relative coordinates) have the property.
    int Count(const RECT& area, const std::function<bool(Pixel)>& property) const;
    bool SavePng(const std::wstring& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;  // rows top down
};

bool IsRed(Pixel pixel);
bool Same(Pixel pixel, COLORREF color);

}  // namespace wine_checks
