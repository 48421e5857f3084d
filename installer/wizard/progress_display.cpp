#include "wizard/progress_display.h"

#include "core/install_state.h"
#include "core/private_messages.h"
#include "engine/download.h"
#include "res/resource_ids.h"
#include "transfer/transfer.h"
#include "wizard/format_size.h"

#include <commctrl.h>
#include <stdio.h>
#include <time.h>

namespace {

int percentOf(double part, double whole)
{
    return static_cast<int>(part * 100.0 / whole);
}

void showByteCounts(HWND dialog, Transfer* transfer)
{
    const int received = transfer->bytesReceived();
    const int expected = transfer->contentLength();
    const int32_t elapsed = static_cast<int32_t>(time(nullptr)) - transfer->startTime();
    const char* rate = elapsed != 0 ? formatSize(2, received / elapsed) : "";
    char line[256];
    _snprintf(line, sizeof line, "%s of %s transfered (%s/sec)", formatSize(0, received), formatSize(1, expected),
              rate);
    line[sizeof line - 1] = '\0';
    SetDlgItemTextA(dialog, IDC_BYTES, line);
}

} // namespace

void loadLanguageString(int baseId, char* buffer, int capacity)
{
    if (LoadStringA(installState.instanceHandle, baseId + installState.languageOffset, buffer, capacity) <= 0)
        buffer[0] = '\0';
}

void showStatusText(HWND dialog, const char* text)
{
    SetDlgItemTextA(dialog, IDC_STATUS, text);
}

void showStatusString(HWND dialog, int baseId)
{
    char text[64];
    loadLanguageString(baseId, text, sizeof text);
    showStatusText(dialog, text);
}

void onTransferStatus(int32_t status, LONG_PTR context)
{
    HWND dialog = reinterpret_cast<HWND>(context);
    Transfer* transfer = installState.currentTransfer;
    // A late report after the dialog has gone changes nothing.
    if (!IsWindow(dialog) || transfer == nullptr)
        return;

    if (status >= Idle && status <= Error)
        showStatusString(dialog, IDS_STATUS_FIRST + status);

    int percent = 0;
    if (transfer->bytesReceived() > 0 && transfer->contentLength() > 0) {
        percent = percentOf(transfer->bytesReceived(), transfer->contentLength());
        showByteCounts(dialog, transfer);
    }
    installState.doneBytes += transfer->lastChunkBytes();
    SendDlgItemMessageA(dialog, IDC_FILE_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    if (installState.totalBytes != 0)
        SendDlgItemMessageA(dialog, IDC_TOTAL_PROGRESS, PBM_SETPOS,
                            static_cast<WPARAM>(percentOf(installState.doneBytes, installState.totalBytes)), 0);

    if (status == Error)
        installState.errorFlag = 1;
    if (status == Error || status == Done) {
        noteTransferEnded(status);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(CMD_CONTINUE, 0), 0);
    }
}
