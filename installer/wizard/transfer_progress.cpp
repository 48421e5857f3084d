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
#include "wizard/progress_display.h"

#include <string.h>

void ProgressDisplay::showByteCounts(Transfer* transfer, bool final)
{
    const ByteCounts counts = { transfer->bytesReceived(), transfer->contentLength(),
                                unixTimeSeconds() - transfer->startTime() };
    const DWORD now = GetTickCount();
    if (byteCountsPace_.showsNow(now, final)) {
        showCounts(counts, now);
        return;
    }
    if (!countsHeld_)
        SetTimer(dialog_, TIMER_BYTE_COUNTS, byteCountsInterval, nullptr);
    countsHeld_ = true;
    heldCounts_ = counts;
}

void ProgressDisplay::showTransfer(int32_t status, Transfer* transfer)
{
    if (!statusKept_ && status != status_ && status >= Idle && status <= Error) {
        showStatusString(IDS_STATUS_FIRST + status);
        status_ = status;
    }

    int percent = 0;
    const bool ended = status == Done || status == Error;
    if (transfer->bytesReceived() > 0 && transfer->contentLength() > 0) {
        percent = percentOf(transfer->bytesReceived(), transfer->contentLength());
        const bool final = ended || transfer->bytesReceived() == transfer->contentLength();
        showByteCounts(transfer, final);
    }
    const int totalPercent = installState.totalBytes != 0
        ? percentOf(installState.doneBytes, installState.totalBytes) : totalPercent_;
    showBars(percent, totalPercent, ended || transfer->bytesReceived() == transfer->contentLength());
    if (ended) {
        byteCountsPace_.downloadEnded();
        barsPace_.downloadEnded();
    }
}

void showTransferProgress(HWND dialog, int32_t status, Transfer* transfer)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->showTransfer(status, transfer);
}
