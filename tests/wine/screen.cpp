#include "tests/wine/screen.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace wine_checks {
namespace {

uint32_t Crc32(const uint8_t* bytes, size_t length, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutU32(std::vector<uint8_t>* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>* png, const char* type, const std::vector<uint8_t>& data) {
    PutU32(png, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png->insert(png->end(), typed.begin(), typed.end());
    PutU32(png, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) blocks: simple, and a screenshot is small.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    constexpr size_t kBlock = 65535;
    size_t at = 0;
    do {
        size_t length = std::min(kBlock, raw.size() - at);
        bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                   raw.begin() + static_cast<ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(&out, b << 16 | a);
    return out;
}

}  // namespace

Screenshot Screenshot::Of(const RECT& rect) {
    Screenshot shot;
    shot.width_ = std::max(0L, rect.right - rect.left);
    shot.height_ = std::max(0L, rect.bottom - rect.top);
    if (shot.width_ == 0 || shot.height_ == 0) return shot;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width_;
    info.bmiHeader.biHeight = -shot.height_;  // top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width_, shot.height_, screen, rect.left, rect.top,
           SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* bgrx = static_cast<const uint8_t*>(bits);
    shot.pixels_.resize(static_cast<size_t>(shot.width_) * static_cast<size_t>(shot.height_));
    for (size_t i = 0; i < shot.pixels_.size(); ++i) {
        shot.pixels_[i] = {bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]};
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

Pixel Screenshot::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0};
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

int Screenshot::Count(const RECT& area, const std::function<bool(Pixel)>& property) const {
    int count = 0;
    for (LONG y = std::max(0L, area.top); y < std::min<LONG>(height_, area.bottom); ++y) {
        for (LONG x = std::max(0L, area.left); x < std::min<LONG>(width_, area.right); ++x) {
            if (property(At(x, y))) ++count;
        }
    }
    return count;
}

bool Screenshot::SavePng(const std::wstring& path) const {
    std::vector<uint8_t> header;
    PutU32(&header, static_cast<uint32_t>(width_));
    PutU32(&header, static_cast<uint32_t>(height_));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height_) * (1 + 3 * static_cast<size_t>(width_)));
    for (int y = 0; y < height_; ++y) {
        raw.push_back(0);  // no filter on this row
        for (int x = 0; x < width_; ++x) {
            Pixel p = At(x, y);
            raw.insert(raw.end(), {p.red, p.green, p.blue});
        }
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", StoredZlib(raw));
    PutChunk(&png, "IEND", {});
    std::ofstream file(path.c_str(), std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file);
}

bool IsRed(Pixel pixel) {
    return pixel.red >= 192 && pixel.green <= 64 && pixel.blue <= 64;
}

bool Same(Pixel pixel, COLORREF color) {
    return pixel.red == GetRValue(color) && pixel.green == GetGValue(color) &&
           pixel.blue == GetBValue(color);
}

}  // namespace wine_checks
