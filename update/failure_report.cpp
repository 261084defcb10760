#include "update/failure_report.h"

#include <cwchar>

#include "app/globals.h"
#include "app/status_pane.h"
#include "app/text.h"
#include "app/versions.h"
#include "resources/resource.h"
#include "unit/unit_record.h"

namespace {

constexpr int32_t NO_STATUS = -1;

void ComposeMessage(wchar_t* message, int32_t status, const wchar_t* text, uint32_t systemError) {
    CopyText(message, TEXT_BUFFER_SIZE, text);
    if (status == NO_STATUS) return;
    wchar_t format[TEXT_BUFFER_SIZE];
    wchar_t codeLine[TEXT_BUFFER_SIZE] = L"";
    LoadText(IDS_SYSTEM_ERROR_CODE, format);
    swprintf(codeLine, TEXT_BUFFER_SIZE, format, static_cast<unsigned>(status),
             static_cast<unsigned>(systemError));
    AppendText(message, TEXT_BUFFER_SIZE, L"\r\n");
    AppendText(message, TEXT_BUFFER_SIZE, codeLine);
}

}  // namespace

void ReportUpdateFailure(int32_t status, const wchar_t* text, const wchar_t* caption,
                         uint32_t systemError) {
    ResetUnitRecord(&CurrentUnit);
    EnableUpdateButton(false);
    ShowVersions();
    wchar_t message[TEXT_BUFFER_SIZE];
    ComposeMessage(message, status, text, systemError);
    MessageBoxW(MainWindow, message, caption, MB_ICONERROR);
    ShowStatusText(IDS_ABORTED);
}
