// The progress dialog's side of the engine's view (engine/progress_view.h):
// its status line, byte counts and bars.
#include "engine/progress_view.h"

#include "common/bounded_copy.h"
#include "common/bounded_format.h"
#include "common/byte_count.h"
#include "core/install_state.h"
#include "core/language_string.h"
#include "res/resource_ids.h"
#include "transfer/transfer.h"
#include "wizard/format_size.h"
#include "win32/unix_time.h"

#include <commctrl.h>
#include <string.h>

namespace {

// The byte counts line: "<size> of <size> transfered (<size>/sec)".
const int byteCountsSize = 256;

// What the dialog shows now, so that a report repaints only what changed:
// one report comes for every 4096 bytes. The controls are looked up once per
// dialog; each lookup asks the window manager.
struct ShownProgress {
    HWND dialog;
    HWND statusText;
    HWND byteCountText;
    HWND fileBar;
    HWND totalBar;
    int status;
    int filePercent;
    int totalPercent;
    char byteCounts[byteCountsSize];
};

ShownProgress shown = {};

ShownProgress& shownFor(HWND dialog)
{
    if (shown.dialog != dialog) {
        shown.dialog = dialog;
        shown.statusText = GetDlgItem(dialog, IDC_STATUS);
        shown.byteCountText = GetDlgItem(dialog, IDC_BYTES);
        shown.fileBar = GetDlgItem(dialog, IDC_FILE_PROGRESS);
        shown.totalBar = GetDlgItem(dialog, IDC_TOTAL_PROGRESS);
        shown.status = -1;
        shown.filePercent = -1;
        shown.totalPercent = -1;
        shown.byteCounts[0] = '\0';
    }
    return shown;
}

void setBar(HWND bar, int percent, int& current)
{
    if (percent == current)
        return;
    current = percent;
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void showByteCounts(Transfer* transfer, ShownProgress& current)
{
    const int received = transfer->bytesReceived();
    const int expected = transfer->contentLength();
    const int32_t elapsed = unixTimeSeconds() - transfer->startTime();
    const char* rate = elapsed != 0 ? formatSize(2, received / elapsed) : "";
    // Three sizes of a few characters each always fit.
    char line[byteCountsSize];
    formatBounded(line, sizeof line, "%s of %s transfered (%s/sec)", formatSize(0, received),
                  formatSize(1, expected), rate);
    if (strcmp(line, current.byteCounts) == 0)
        return;
    copyBounded(current.byteCounts, sizeof current.byteCounts, line);
    SetWindowTextA(current.byteCountText, line);
}

} // namespace

void showStatusText(HWND dialog, const char* text)
{
    ShownProgress& current = shownFor(dialog);
    current.status = -1;   // no longer a transfer status
    SetWindowTextA(current.statusText, text);
}

void showStatusString(HWND dialog, int baseId)
{
    char text[64];
    loadLanguageString(baseId, text, sizeof text);
    showStatusText(dialog, text);
}

void showTransferProgress(HWND dialog, int32_t status, Transfer* transfer)
{
    // The benchmark builds a variant without the dialog's updates, to tell
    // what they cost a transfer.
#ifndef INSTALLER_WITHOUT_PROGRESS_UPDATES
    ShownProgress& current = shownFor(dialog);
    if (status != current.status && status >= Idle && status <= Error) {
        showStatusString(dialog, IDS_STATUS_FIRST + status);
        current.status = status;
    }

    int percent = 0;
    if (transfer->bytesReceived() > 0 && transfer->contentLength() > 0) {
        percent = percentOf(transfer->bytesReceived(), transfer->contentLength());
        showByteCounts(transfer, current);
    }
    setBar(current.fileBar, percent, current.filePercent);
    if (installState.totalBytes != 0)
        setBar(current.totalBar, percentOf(installState.doneBytes, installState.totalBytes), current.totalPercent);
#else
    (void)dialog;
    (void)status;
    (void)transfer;
#endif
}

void clearByteCounts(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_BYTES, "");
}
