// The header picture beside the version box: where it goes, how large, and what shows of it.
#include <gtest/gtest.h>

#include "tests/support/program.h"

namespace {

using namespace program;
using sim::user::Do;

sim::res::Dib HeaderPicture() {
    const sim::res::Resource* bitmap = sim::res::Find(sim::res::Id{2, L""}, sim::res::Id{IDB_HEADER, L""});
    EXPECT_NE(bitmap, nullptr);
    return sim::res::DecodeBitmap(bitmap->data).value_or(sim::res::Dib{});
}

constexpr COLORREF KEY = RGB(0, 255, 0);

struct RoomCase {
    LONG room;  // from the group box's right edge to the window's right edge, less 10
    LONG width, height;
};

class HeaderPlacement : public ProgramTest, public ::testing::WithParamInterface<RoomCase> {};

TEST_P(HeaderPlacement, IsScaledIntoTheRoomWithItsGreenLeftOut) {
    const RoomCase& c = GetParam();
    RECT window{}, group{};
    std::vector<COLORREF> canvas;
    int canvasWidth = 0, canvasHeight = 0;
    RunWith({Do("lay the group box out anew",
                [&] {
                    GetWindowRect(sim::user::MainDialog(), &window);
                    GetWindowRect(sim::user::Control(IDC_VERSIONS_GROUP), &group);
                    LONG width = group.right - group.left;
                    group.right = window.right - 10 - c.room;
                    group.left = group.right - width;
                    sim::user::PlaceControl(IDC_VERSIONS_GROUP, group);
                }),
             Do("look at the dialog", [&] {
                 const sim::gdi::Canvas* painted = sim::user::CanvasOf();
                 canvas = painted->pixels;
                 canvasWidth = painted->width;
                 canvasHeight = painted->height;
             })});

    const sim::res::Dib picture = HeaderPicture();
    ASSERT_EQ(picture.width, 365);
    LONG x = group.right - (window.left + sim::user::kFrameWidth) + 20;
    LONG y = group.top - (window.top + sim::user::kCaptionHeight);
    size_t drawn = 0;
    for (int row = 0; row < canvasHeight; ++row) {
        for (int column = 0; column < canvasWidth; ++column) {
            COLORREF seen = canvas[size_t(row) * canvasWidth + column];
            bool inside = column >= x && column < x + c.width && row >= y && row < y + c.height;
            COLORREF expected = sim::gdi::kFaceColor;
            if (inside) {
                // The picture's pixel under the centre of this one.
                int sx = int((2 * (column - x) + 1) * picture.width / (2 * c.width));
                int sy = int((2 * (row - y) + 1) * picture.height / (2 * c.height));
                COLORREF source = picture.At(sx, sy);
                if (source != KEY) {
                    expected = source;
                    ++drawn;
                }
            }
            ASSERT_EQ(seen, expected) << "pixel " << column << ", " << row;
        }
    }
    EXPECT_GT(drawn, size_t(c.width * c.height / 10)) << "hardly anything of the picture shows";
}

INSTANTIATE_TEST_SUITE_P(Rooms, HeaderPlacement,
                         ::testing::Values(RoomCase{215, 182, 60}, RoomCase{150, 150, 50}));

TEST_F(ProgramTest, RepaintingLeavesNoDrawingObjectBehind) {
    std::vector<sim::user::Step> steps(1000, sim::user::Uncover());
    size_t live = 1;
    int paints = 0;
    steps.push_back(Do("count", [&] {
        live = sim::gdi::LiveObjectCount();
        paints = sim::user::Colors(IDC_LABEL_FW2)->paintCount;
    }));
    RunWith(steps);
    EXPECT_GE(paints, 1000);
    EXPECT_EQ(live, 0u);
}

}  // namespace
