#include "app/header_picture.h"

#include "app/globals.h"
#include "resources/resource.h"

namespace {

constexpr COLORREF KEY_COLOR = RGB(0, 255, 0);
constexpr LONG ROOM_MARGIN = 10;
constexpr LONG GAP_TO_GROUP = 20;

struct Placement {
    LONG x, y, width, height;
};

// Right of the group box, as wide as the room allows but at most half the picture.
Placement PlacePicture(const BITMAP& picture) {
    RECT window;
    RECT group;
    GetWindowRect(MainWindow, &window);
    GetWindowRect(GetDlgItem(MainWindow, IDC_VERSIONS_GROUP), &group);
    LONG frame = GetSystemMetrics(SM_CXDLGFRAME);
    LONG caption = GetSystemMetrics(SM_CYCAPTION);

    Placement place;
    place.width = window.right - group.right - ROOM_MARGIN;
    if (place.width > (picture.bmWidth >> 1)) place.width = picture.bmWidth >> 1;
    place.height = static_cast<LONG>(static_cast<double>(place.width) / picture.bmWidth *
                                     picture.bmHeight);
    place.x = group.right - (window.left + frame) + GAP_TO_GROUP;
    place.y = group.top - (window.top + caption);
    return place;
}

}  // namespace

void PaintHeader(HDC dc) {
    HBITMAP picture = LoadBitmapW(AppInstance, MAKEINTRESOURCEW(IDB_HEADER));
    if (picture == nullptr) return;
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    SelectObject(memory, picture);
    if (info.bmWidth > 0 && info.bmHeight > 0) {
        Placement place = PlacePicture(info);
        if (place.width > 0 && place.height > 0) {
            TransparentBlt(dc, place.x, place.y, place.width, place.height, memory, 0, 0,
                           info.bmWidth, info.bmHeight, KEY_COLOR);
        }
    }
    DeleteDC(memory);
    DeleteObject(picture);
}
