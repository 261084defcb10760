#include "app/status_pane.h"

#include <cwchar>

#include "app/globals.h"
#include "app/text.h"
#include "resources/resource.h"

namespace {

HWND StatusPane() { return GetDlgItem(MainWindow, IDC_STATUS_TEXT); }

}  // namespace

void AppendStatusText(const wchar_t* text, HWND pane) {
    size_t size = static_cast<size_t>(GetWindowTextLengthW(pane)) + wcslen(text) + 1;
    wchar_t* buffer = new wchar_t[size];
    buffer[0] = L'\0';
    GetWindowTextW(pane, buffer, static_cast<int>(size));
    AppendText(buffer, size, text);
    SetWindowTextW(pane, buffer);
    delete[] buffer;
}

void ShowStatusText(UINT textId) {
    wchar_t text[TEXT_BUFFER_SIZE];
    LoadText(textId, text);
    SetWindowTextW(StatusPane(), text);
}

void ShowSituation(UINT situationTextId) {
    wchar_t text[TEXT_BUFFER_SIZE];
    LoadText(situationTextId, text);
    AppendText(text, TEXT_BUFFER_SIZE, L"\r\n\r\n");
    SetWindowTextW(StatusPane(), text);
    LoadText(IDS_INSTRUCTIONS, text);
    AppendStatusText(text, StatusPane());
}

void EnableUpdateButton(bool enable) {
    EnableWindow(GetDlgItem(MainWindow, IDC_UPDATE), enable ? TRUE : FALSE);
}
