// What one transfer report changes on the progress dialog: the status text,
// the byte counts and rate, and both bars.
#include "engine/progress_view.h"

#include "common/bounded_copy.h"
#include "common/bounded_format.h"
#include "common/byte_count.h"
#include "core/install_state.h"
#include "core/private_messages.h"
#include "res/resource_ids.h"
#include "transfer/transfer.h"
#include "win32/unix_time.h"
#include "wizard/format_size.h"
#include "wizard/shown_progress.h"

#include <commctrl.h>
#include <string.h>

namespace {

void setBar(HWND bar, int percent, int& current)
{
    if (percent == current)
        return;
    current = percent;
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

// final: the transfer's last counts, which go up at once.
void showByteCounts(Transfer* transfer, ShownProgress& current, bool final)
{
    const int received = transfer->bytesReceived();
    const int expected = transfer->contentLength();
    const int32_t elapsed = unixTimeSeconds() - transfer->startTime();
    const char* rate = elapsed != 0 ? formatSize(2, received / elapsed) : "";
    // Three sizes of a few characters each always fit.
    char line[byteCountsSize];
    formatBounded(line, sizeof line, "%s of %s transfered (%s/sec)", formatSize(0, received),
                  formatSize(1, expected), rate);
    if (strcmp(line, current.byteCounts) == 0) {
        current.heldByteCounts[0] = '\0';
        return;
    }
    const DWORD now = GetTickCount();
    if (!current.byteCountsPace.showsNow(now, final)) {
        if (current.heldByteCounts[0] == '\0')
            SetTimer(current.dialog, TIMER_BYTE_COUNTS, byteCountsInterval, nullptr);
        copyBounded(current.heldByteCounts, sizeof current.heldByteCounts, line);
        return;
    }
    copyBounded(current.byteCounts, sizeof current.byteCounts, line);
    current.heldByteCounts[0] = '\0';
    current.byteCountsPace.shown(now);
    SetWindowTextA(current.byteCountText, line);
}

} // namespace

void showTransferProgress(HWND dialog, int32_t status, Transfer* transfer)
{
    ShownProgress& current = shownFor(dialog);
    if (!current.statusKept && status != current.status && status >= Idle && status <= Error) {
        showStatusString(dialog, IDS_STATUS_FIRST + status);
        current.status = status;
    }

    int percent = 0;
    const bool ended = status == Done || status == Error;
    if (transfer->bytesReceived() > 0 && transfer->contentLength() > 0) {
        percent = percentOf(transfer->bytesReceived(), transfer->contentLength());
        const bool final = ended || transfer->bytesReceived() == transfer->contentLength();
        showByteCounts(transfer, current, final);
    }
    if (ended)
        current.byteCountsPace.downloadEnded();
    setBar(current.fileBar, percent, current.filePercent);
    if (installState.totalBytes != 0)
        setBar(current.totalBar, percentOf(installState.doneBytes, installState.totalBytes), current.totalPercent);
}
