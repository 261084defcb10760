#include "update/update.h"

#include <cstring>

#include "app/globals.h"
#include "app/status_pane.h"
#include "app/text.h"
#include "app/versions.h"
#include "resources/resource.h"
#include "unit/protocol.h"
#include "unit/unit_record.h"
#include "update/failure_report.h"

namespace {

constexpr uint32_t NO_FIRMWARE = 0xFFFFFFFF;
constexpr uint32_t PHASE_PAUSE_MS = 20;
// The unit needs this long to program one data report before it can take the next.
constexpr uint32_t DATA_PAUSE_MS = 20;
constexpr uint32_t CHUNK_SIZE = MAX_BLOCKS_PER_REPORT * DATA_BLOCK_SIZE;
constexpr uint32_t APPLICATION_AREA_SIZE = INFO_BLOCK_ADDRESS - FLASH_APP_START;
constexpr int32_t NO_STATUS = -1;
constexpr int32_t IMAGE_REFUSED = 4;

constexpr int PROGRESS_WIDTH = 400;
constexpr int PROGRESS_HEIGHT = 50;
constexpr DWORD PROGRESS_STYLE = WS_VISIBLE | PBS_SMOOTH;

struct FirmwareImage {
    const uint8_t* bytes;
    uint32_t length;
};

void FailUpdate(UINT textId, int32_t status, uint32_t systemError) {
    wchar_t caption[TEXT_BUFFER_SIZE];
    wchar_t text[TEXT_BUFFER_SIZE];
    LoadText(IDS_UPDATE_FAILED, caption);
    LoadText(textId, text);
    ReportUpdateFailure(status, text, caption, systemError);
}

// Writing over firmware that is not older than the image needs the user's yes.
bool ConfirmOverwrite() {
    uint32_t installed = CurrentUnit.firmwareVersion;
    if (installed < IMAGE_VERSION || installed == NO_FIRMWARE) return true;
    wchar_t caption[TEXT_BUFFER_SIZE];
    wchar_t text[TEXT_BUFFER_SIZE];
    LoadText(IDS_NEWER_FOUND, caption);
    LoadText(IDS_CONFIRM_OLDER, text);
    return MessageBoxW(MainWindow, text, caption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// The image is examined before anything is sent, so a missing, empty or oversized image
// never costs the unit its firmware.
bool FindFirmwareImage(FirmwareImage* image) {
    image->bytes = nullptr;
    image->length = 0;
    HRSRC resource = FindResourceW(AppInstance, MAKEINTRESOURCEW(IDR_FIRMWARE), RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(AppInstance, resource) : nullptr;
    if (loaded != nullptr) {
        image->length = SizeofResource(AppInstance, resource);
        image->bytes = static_cast<const uint8_t*>(LockResource(loaded));
    }
    if (image->bytes != nullptr && image->length > 0 && image->length <= APPLICATION_AREA_SIZE) {
        return true;
    }
    FailUpdate(IDS_ERR_WRITE_BLOCK, IMAGE_REFUSED, GetLastError());
    return false;
}

// Whether a step's report went out; if not, the update ends here with the step's text, the
// status and the system's error code as the failed call left it.
bool Succeeded(int32_t status, UINT failureTextId) {
    if (status == 0) return true;
    FailUpdate(failureTextId, status, GetLastError());
    return false;
}

// Write begin, the erase of the application area and the write address, each followed by
// the pause the unit needs.
bool PrepareUnit() {
    if (!Succeeded(SendSimpleCommand(&CurrentUnit, CMD_WRITE_BEGIN), IDS_ERR_WRITE_ACCESS)) {
        return false;
    }
    Sleep(PHASE_PAUSE_MS);
    if (!Succeeded(EraseFlash(&CurrentUnit, FLASH_APP_START), IDS_ERR_ERASE)) return false;
    Sleep(PHASE_PAUSE_MS);
    if (!Succeeded(SetWriteAddress(&CurrentUnit, FLASH_APP_START), IDS_ERR_SET_ADDRESS)) {
        return false;
    }
    Sleep(PHASE_PAUSE_MS);
    return true;
}

// A top-level window centred over the main window, titled with what is going on.
HWND OpenProgressWindow() {
    RECT main;
    GetWindowRect(MainWindow, &main);
    int x = main.left + ((main.right - main.left) >> 1) - PROGRESS_WIDTH / 2;
    int y = main.top + ((main.bottom - main.top) >> 1) - PROGRESS_HEIGHT / 2;
    wchar_t title[TEXT_BUFFER_SIZE];
    LoadText(IDS_WRITING, title);
    HWND progress = CreateWindowExW(0, PROGRESS_CLASSW, title, PROGRESS_STYLE, x, y,
                                    PROGRESS_WIDTH, PROGRESS_HEIGHT, MainWindow, nullptr,
                                    AppInstance, nullptr);
    SendMessageW(progress, PBM_SETPOS, 0, 0);
    return progress;
}

bool PassesFilter(const MSG& message, HWND progress) {
    switch (message.message) {
        case WM_ACTIVATE:
        case WM_SETFOCUS:
        case WM_PAINT:
        case WM_SHOWWINDOW:
            return true;
        case WM_COMMAND:
            return message.hwnd == progress;
        default:
            return false;
    }
}

// One waiting message per chunk: painting and activation go through, user input is
// discarded so the update can neither be started again nor the window closed.
void HandleOneMessage(HWND progress) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
    if (PassesFilter(message, progress)) {
        DispatchMessageW(&message);
        return;
    }
    if (progress != nullptr && GetActiveWindow() != progress) SetActiveWindow(progress);
}

// The millisecond tick moves in steps of 10 to 16 ms; the performance counter does not,
// so the pause never ends before the unit has written the report.
void WaitSinceWrite(const LARGE_INTEGER& written, uint32_t milliseconds) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const LONGLONG pause = (frequency.QuadPart * milliseconds + 999) / 1000;
    LARGE_INTEGER now;
    do {
        QueryPerformanceCounter(&now);
    } while (now.QuadPart - written.QuadPart < pause);
}

// Sends the next chunk: three blocks straight from the image, or the tail completed with
// 0xFF to whole blocks so no byte of the image is left out.
int32_t SendNextChunk(const uint8_t** position, uint32_t* remaining) {
    if (*remaining >= CHUNK_SIZE) {
        int32_t status = WriteBlocks(&CurrentUnit, MAX_BLOCKS_PER_REPORT, *position);
        *position += CHUNK_SIZE;
        *remaining -= CHUNK_SIZE;
        return status;
    }
    uint8_t chunk[CHUNK_SIZE];
    std::memset(chunk, 0xFF, sizeof chunk);
    std::memcpy(chunk, *position, *remaining);
    uint8_t blocks = static_cast<uint8_t>((*remaining + DATA_BLOCK_SIZE - 1) / DATA_BLOCK_SIZE);
    *remaining = 0;
    return WriteBlocks(&CurrentUnit, blocks, chunk);
}

// Messages handled between the data reports may have let the unit go; the next report then
// fails on the emptied record. They may also have found a unit again at once: that one was
// never prepared for the image, so nothing more is sent to it.
int32_t UnitStillTheSame(uint32_t releasesAtStart) {
    if (UnitReleaseCount() == releasesAtStart || CurrentUnit.handle == INVALID_HANDLE_VALUE) {
        return 0;
    }
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return -2;
}

bool SendImage(const FirmwareImage& image, uint32_t releasesAtStart) {
    HWND progress = OpenProgressWindow();
    const uint8_t* position = image.bytes;
    uint32_t remaining = image.length;
    while (remaining > 0) {
        int32_t status = UnitStillTheSame(releasesAtStart);
        if (status == 0) status = SendNextChunk(&position, &remaining);
        LARGE_INTEGER written;
        QueryPerformanceCounter(&written);
        if (status != 0) {
            DWORD error = GetLastError();
            DestroyWindow(progress);
            FailUpdate(IDS_ERR_WRITE_BLOCK, status, error);
            return false;
        }
        uint32_t percent = (image.length - remaining) * 100 / image.length;
        SendMessageW(progress, PBM_SETPOS, percent, 0);
        HandleOneMessage(progress);
        WaitSinceWrite(written, DATA_PAUSE_MS);
    }
    DestroyWindow(progress);
    return true;
}

// The image counts as written only once the unit has taken the write end.
bool EndWriting(uint32_t releasesAtStart) {
    int32_t status = UnitStillTheSame(releasesAtStart);
    if (status == 0) status = SendSimpleCommand(&CurrentUnit, CMD_WRITE_END);
    if (!Succeeded(status, IDS_ERR_WRITE_BLOCK)) {
        return false;
    }
    CurrentUnit.firmwareVersion = IMAGE_VERSION;
    SendSimpleCommand(&CurrentUnit, CMD_FINISH);
    return true;
}

void ShowSuccess() {
    EnableUpdateButton(false);
    ShowVersions();
    ShowStatusText(IDS_SUCCESS);
}

}  // namespace

void RunUpdate() {
    if (CurrentUnit.handle == INVALID_HANDLE_VALUE) {
        FailUpdate(IDS_UNIT_GONE, NO_STATUS, GetLastError());
        return;
    }
    if (!ConfirmOverwrite()) return;
    FirmwareImage image;
    if (!FindFirmwareImage(&image)) return;
    uint32_t releasesAtStart = UnitReleaseCount();
    if (!PrepareUnit() || !SendImage(image, releasesAtStart) || !EndWriting(releasesAtStart)) {
        return;
    }
    ShowSuccess();
}
