// Drawing on the simulated platform: the scaled copy that leaves out the key colour, bitmaps
// from the program's resources, the rules of selecting and deleting, and the count of live
// objects that makes a leak visible.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/platform/gdi.h"
#include "sim/platform/res.h"

namespace {

using sim::gdi::Canvas;

constexpr COLORREF kKey = RGB(0, 255, 0);

// Pictures written as rows of letters: '.' the canvas background, 'K' the key colour.
const std::map<char, COLORREF> kColours = {
    {'.', sim::gdi::kFaceColor}, {'K', kKey},
    {'a', RGB(200, 0, 0)},       {'b', RGB(0, 0, 200)},
    {'c', RGB(200, 200, 0)},     {'d', RGB(0, 200, 200)},
    {'e', RGB(90, 0, 90)},       {'f', RGB(10, 20, 30)},
    {'g', RGB(120, 60, 0)},      {'h', RGB(255, 255, 255)},
    {'n', RGB(0, 254, 0)},       {'m', RGB(1, 255, 0)},
    {'o', RGB(0, 255, 1)},
};

Canvas Picture(const std::vector<std::string>& rows) {
    Canvas canvas;
    canvas.Resize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 0);
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            canvas.pixels[y * canvas.width + x] = kColours.at(rows[y][x]);
        }
    }
    return canvas;
}

std::vector<std::string> Rows(const Canvas& canvas) {
    std::vector<std::string> rows(canvas.height, std::string(canvas.width, '?'));
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            for (const auto& [letter, colour] : kColours) {
                if (canvas.At(x, y) == colour) rows[y][x] = letter;
            }
        }
    }
    return rows;
}

class Gdi : public testing::Test {
protected:
    void SetUp() override {
        sim::gdi::ResetGdi();
        canvas_.Resize(6, 4, sim::gdi::kFaceColor);
    }
    void TearDown() override { sim::gdi::ResetGdi(); }

    // A memory DC holding a bitmap of these pixels, as the header picture is held.
    HDC SourceDc(const std::vector<std::string>& rows) {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, sim::gdi::MakeBitmap(Picture(rows)));
        return dc;
    }

    Canvas canvas_;
};

// ---- TransparentBlt -------------------------------------------------------------------------

struct Area {
    int x, y, width, height;
};

struct BltCase {
    const char* what;
    Area destination;
    Area source;
    std::vector<std::string> canvas;  // 6 x 4 afterwards
};

const std::vector<std::string> kSource = {
    "abcd",
    "efgh",
};

TEST_F(Gdi, TransparentBltScalesTheSourceRectangleIntoTheDestination) {
    const BltCase cases[] = {
        {"same size", {1, 1, 4, 2}, {0, 0, 4, 2}, {"......", ".abcd.", ".efgh.", "......"}},
        {"halved", {1, 1, 2, 1}, {0, 0, 4, 2}, {"......", ".fh...", "......", "......"}},
        {"doubled, cut by the canvas",
         {0, 0, 8, 4},
         {0, 0, 4, 2},
         {"aabbcc", "aabbcc", "eeffgg", "eeffgg"}},
        {"three of four columns",
         {0, 0, 3, 2},
         {0, 0, 4, 2},
         {"acd...", "egh...", "......", "......"}},
        {"part of the source, widened",
         {2, 2, 4, 2},
         {1, 0, 2, 2},
         {"......", "......", "..bbcc", "..ffgg"}},
        {"hanging over the left and top edges",
         {-2, -1, 4, 2},
         {0, 0, 4, 2},
         {"gh....", "......", "......", "......"}},
    };
    for (const BltCase& c : cases) {
        SCOPED_TRACE(c.what);
        canvas_.Resize(6, 4, sim::gdi::kFaceColor);
        HDC target = sim::gdi::CreateCanvasDC(&canvas_);
        HDC source = SourceDc(kSource);
        const Area& d = c.destination;
        const Area& s = c.source;
        EXPECT_TRUE(TransparentBlt(target, d.x, d.y, d.width, d.height, source, s.x, s.y, s.width,
                                   s.height, kKey));
        EXPECT_EQ(Rows(canvas_), c.canvas);
        sim::gdi::ReleaseCanvasDC(target);
    }
}

TEST_F(Gdi, TransparentBltLeavesOutExactlyTheKeyColour) {
    HDC target = sim::gdi::CreateCanvasDC(&canvas_);
    // Colours one step off the key are drawn like any other.
    HDC source = SourceDc({"aKnK", "mKoK"});
    ASSERT_TRUE(TransparentBlt(target, 1, 1, 4, 2, source, 0, 0, 4, 2, kKey));
    EXPECT_EQ(Rows(canvas_), (std::vector<std::string>{"......", ".a.n..", ".m.o..", "......"}));

    // Another transparent colour leaves the key colour in.
    canvas_.Resize(6, 4, sim::gdi::kFaceColor);
    ASSERT_TRUE(TransparentBlt(target, 0, 0, 4, 2, source, 0, 0, 4, 2, RGB(0, 254, 0)));
    EXPECT_EQ(Rows(canvas_), (std::vector<std::string>{"aK.K..", "mKoK..", "......", "......"}));
    sim::gdi::ReleaseCanvasDC(target);
}

TEST_F(Gdi, TransparentBltDrawsOnlyInsideThePaintRegion) {
    HDC target = sim::gdi::CreateCanvasDC(&canvas_, RECT{2, 1, 4, 3});
    HDC source = SourceDc({"aaaaaa", "aaaaaa", "aaaaaa", "aaaaaa"});
    ASSERT_TRUE(TransparentBlt(target, 0, 0, 6, 4, source, 0, 0, 6, 4, kKey));
    EXPECT_EQ(Rows(canvas_), (std::vector<std::string>{"......", "..aa..", "..aa..", "......"}));
    sim::gdi::ReleaseCanvasDC(target);
}

TEST_F(Gdi, TransparentBltRefusesRectanglesItCannotCopy) {
    struct Case {
        const char* what;
        int width, height, sourceX, sourceY, sourceWidth, sourceHeight;
    };
    const Case cases[] = {
        {"no width", 0, 2, 0, 0, 4, 2},
        {"negative height", 4, -2, 0, 0, 4, 2},
        {"mirrored source", 4, 2, 4, 0, -4, 2},
        {"source wider than the bitmap", 4, 2, 1, 0, 4, 2},
        {"source above the bitmap", 4, 2, 0, -1, 4, 2},
    };
    HDC target = sim::gdi::CreateCanvasDC(&canvas_);
    HDC source = SourceDc(kSource);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_FALSE(TransparentBlt(target, 0, 0, c.width, c.height, source, c.sourceX, c.sourceY,
                                    c.sourceWidth, c.sourceHeight, kKey));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_FALSE(
        TransparentBlt(target, 0, 0, 4, 2, reinterpret_cast<HDC>(uintptr_t{4}), 0, 0, 4, 2, kKey));
    EXPECT_EQ(Rows(canvas_), Rows(Picture({"......", "......", "......", "......"})));
    sim::gdi::ReleaseCanvasDC(target);
}

// ---- The header picture from the resources -------------------------------------------------

TEST_F(Gdi, HeaderPictureLoadsAsADisplayBitmapAndDrawsWithoutItsBackground) {
    HBITMAP picture = LoadBitmapW(sim::res::ProgramInstance(), MAKEINTRESOURCEW(121));
    ASSERT_NE(picture, nullptr);
    BITMAP description{};
    EXPECT_EQ(GetObjectW(picture, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    ASSERT_EQ(GetObjectW(picture, sizeof(BITMAP), &description), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(description.bmWidth, 365);
    EXPECT_EQ(description.bmHeight, 122);
    EXPECT_EQ(description.bmPlanes, 1);
    EXPECT_EQ(description.bmBitsPixel, 32);
    EXPECT_EQ(description.bmWidthBytes, 365 * 4);

    // Drawn at half size onto the dialog's face: its green background is left out.
    Canvas face;
    face.Resize(200, 80, sim::gdi::kFaceColor);
    HDC target = sim::gdi::CreateCanvasDC(&face);
    HDC memory = CreateCompatibleDC(target);
    SelectObject(memory, picture);
    ASSERT_TRUE(TransparentBlt(target, 10, 10, 182, 60, memory, 0, 0, 365, 122, kKey));
    size_t drawn = 0;
    for (COLORREF pixel : face.pixels) {
        ASSERT_NE(pixel, kKey);
        if (pixel != sim::gdi::kFaceColor) ++drawn;
    }
    EXPECT_GT(drawn, 182u * 60u / 5);
    for (auto [x, y] : {std::pair{10, 10}, {191, 10}, {10, 69}, {191, 69}}) {
        EXPECT_EQ(face.At(x, y), sim::gdi::kFaceColor) << "corner " << x << "," << y;
    }
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(picture));
    sim::gdi::ReleaseCanvasDC(target);
}

TEST_F(Gdi, LoadBitmapFindsOnlyTheProgramsBitmaps) {
    struct Case {
        const char* what;
        HINSTANCE instance;
        LPCWSTR name;
        DWORD error;
    };
    const Case cases[] = {
        {"no module: system bitmaps", nullptr, MAKEINTRESOURCEW(121),
         ERROR_RESOURCE_NAME_NOT_FOUND},
        {"another module", reinterpret_cast<HINSTANCE>(uintptr_t{0x10000000}),
         MAKEINTRESOURCEW(121), ERROR_RESOURCE_DATA_NOT_FOUND},
        {"no such bitmap", sim::res::ProgramInstance(), MAKEINTRESOURCEW(122),
         ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(LoadBitmapW(c.instance, c.name), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(sim::gdi::LiveObjectCount(), 0u);
}

// ---- Selecting, deleting, counting ----------------------------------------------------------

TEST_F(Gdi, SelectAndDeleteFollowTheSystemsRules) {
    HBITMAP picture = sim::gdi::MakeBitmap(Picture(kSource));
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);

    HGDIOBJ original = SelectObject(first, picture);
    ASSERT_NE(original, nullptr) << "a new memory DC holds a stock bitmap";
    BITMAP stock{};
    GetObjectW(original, sizeof stock, &stock);
    EXPECT_EQ(std::make_pair(stock.bmWidth, stock.bmHeight), std::make_pair(1, 1));

    EXPECT_EQ(SelectObject(second, picture), nullptr) << "one DC at a time";
    EXPECT_FALSE(DeleteObject(picture)) << "still selected";
    EXPECT_EQ(SelectObject(first, original), picture) << "gives back the previous object";
    EXPECT_EQ(SelectObject(second, picture), original);

    // Deleting the DC lets go of its bitmap, which can then be deleted.
    EXPECT_TRUE(DeleteDC(second));
    EXPECT_TRUE(DeleteObject(picture));
    EXPECT_FALSE(DeleteObject(picture)) << "gone";
    EXPECT_EQ(SelectObject(first, picture), nullptr);

    Canvas window;
    window.Resize(2, 2, 0);
    HDC paint = sim::gdi::CreateCanvasDC(&window);
    HBITMAP other = sim::gdi::MakeBitmap(Picture(kSource));
    EXPECT_EQ(SelectObject(paint, other), nullptr) << "a bitmap goes only into a memory DC";
    EXPECT_FALSE(DeleteDC(paint)) << "a paint DC ends with its paint cycle";
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_TRUE(DeleteDC(first));
    sim::gdi::ReleaseCanvasDC(paint);
    EXPECT_EQ(sim::gdi::LiveObjectCount(), 0u);
}

// The header's paint cycle, many times over: what it takes it gives back.
TEST_F(Gdi, RepeatedPaintCyclesLeaveNoObjectBehindAndALeakShows) {
    Canvas window;
    window.Resize(400, 100, sim::gdi::kFaceColor);
    auto paint = [&](bool deletePicture) {
        HDC dc = sim::gdi::CreateCanvasDC(&window);
        HBITMAP picture = LoadBitmapW(sim::res::ProgramInstance(), MAKEINTRESOURCEW(121));
        HDC memory = CreateCompatibleDC(dc);
        SelectObject(memory, picture);
        TransparentBlt(dc, 200, 20, 182, 60, memory, 0, 0, 365, 122, kKey);
        DeleteDC(memory);
        if (deletePicture) DeleteObject(picture);
        sim::gdi::ReleaseCanvasDC(dc);
    };
    for (int i = 0; i < 1000; ++i) paint(true);
    EXPECT_EQ(sim::gdi::LiveObjectCount(), 0u);
    for (int i = 0; i < 3; ++i) paint(false);
    EXPECT_EQ(sim::gdi::LiveObjectCount(), 3u);
}

TEST_F(Gdi, TextColourAndBackgroundModeGiveBackThePreviousValues) {
    HDC dc = sim::gdi::CreateCanvasDC(&canvas_);
    EXPECT_EQ(SetTextColor(dc, RGB(255, 0, 0)), sim::gdi::kDefaultTextColor);
    EXPECT_EQ(SetTextColor(dc, RGB(0, 0, 255)), RGB(255, 0, 0));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 7), 0) << "no such mode";
    EXPECT_EQ(sim::gdi::StateOf(dc).textColor, RGB(0, 0, 255));
    EXPECT_EQ(sim::gdi::StateOf(dc).bkMode, TRANSPARENT);
    sim::gdi::ReleaseCanvasDC(dc);

    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), CLR_INVALID) << "released";
    EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
}

TEST_F(Gdi, SystemMetricsOfAStandardDesktop) {
    const std::pair<int, int> metrics[] = {
        {SM_CXDLGFRAME, 3},          {8 /* SM_CYDLGFRAME */, 3},  {SM_CYCAPTION, 23},
        {0 /* SM_CXSCREEN */, 1920}, {1 /* SM_CYSCREEN */, 1080},
    };
    for (auto [index, value] : metrics) EXPECT_EQ(GetSystemMetrics(index), value) << index;
}

}  // namespace
