// The progress dialog's status line, byte counts and overall bar, and the
// engine's view (engine/progress_view.h) on the dialog's display.
#include "wizard/progress_display.h"

#include "common/bounded_copy.h"
#include "common/bounded_format.h"
#include "common/byte_count.h"
#include "core/install_state.h"
#include "core/language_string.h"
#include "core/private_messages.h"
#include "engine/progress_view.h"
#include "res/resource_ids.h"
#include "win32/kept_static_text.h"
#include "wizard/format_size.h"

#include <commctrl.h>
#include <string.h>

ProgressDisplay::ProgressDisplay()
    : dialog_(nullptr), statusText_(nullptr), byteCountText_(nullptr), fileBar_(nullptr), totalBar_(nullptr),
      status_(-1), statusKept_(false), ended_(false), filePercent_(-1), totalPercent_(-1),
      barsPace_(barsInterval), barsHeld_(false), heldFilePercent_(-1), heldTotalPercent_(-1),
      byteCountsPace_(byteCountsInterval), countsHeld_(false), heldCounts_()
{
    byteCounts_[0] = '\0';
}

void ProgressDisplay::attach(HWND dialog)
{
    dialog_ = dialog;
    statusText_ = GetDlgItem(dialog, IDC_STATUS);
    byteCountText_ = GetDlgItem(dialog, IDC_BYTES);
    fileBar_ = GetDlgItem(dialog, IDC_FILE_PROGRESS);
    totalBar_ = GetDlgItem(dialog, IDC_TOTAL_PROGRESS);
    // The byte counts change with nearly every chunk.
    keepStaticText(byteCountText_);
}

void ProgressDisplay::showStatusText(const char* text)
{
    status_ = -1;   // no longer a transfer status
    SetWindowTextA(statusText_, text);
}

void ProgressDisplay::showStatusString(int baseId)
{
    char text[statusTextSize];
    loadLanguageString(baseId, text, sizeof text);
    showStatusText(text);
}

void ProgressDisplay::showCounts(const ByteCounts& counts, DWORD now)
{
    countsHeld_ = false;
    const char* rate = counts.elapsedSeconds != 0 ? formatSize(2, counts.received / counts.elapsedSeconds) : "";
    // Three sizes of a few characters each always fit.
    char line[byteCountsSize];
    formatBounded(line, sizeof line, "%s of %s transfered (%s/sec)", formatSize(0, counts.received),
                  formatSize(1, counts.expected), rate);
    // The same line again changes nothing, and leaves the pace to the next change.
    if (strcmp(line, byteCounts_) == 0)
        return;
    copyBounded(byteCounts_, sizeof byteCounts_, line);
    byteCountsPace_.shown(now);
    SetWindowTextA(byteCountText_, byteCounts_);
}

void ProgressDisplay::showHeldByteCounts()
{
    KillTimer(dialog_, TIMER_BYTE_COUNTS);
    if (countsHeld_)
        showCounts(heldCounts_, GetTickCount());
}

void ProgressDisplay::clearByteCounts()
{
    SetWindowTextA(byteCountText_, "");
}

bool ProgressDisplay::setBar(HWND bar, int percent, int& current)
{
    if (percent == current)
        return false;
    current = percent;
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    return true;
}

void ProgressDisplay::moveBars(int filePercent, int totalPercent, bool paced)
{
    KillTimer(dialog_, TIMER_BARS);
    barsHeld_ = false;
    if (paced)
        barsPace_.shown(GetTickCount());
    setBar(fileBar_, filePercent, filePercent_);
    setBar(totalBar_, totalPercent, totalPercent_);
}

void ProgressDisplay::showBars(int filePercent, int totalPercent, bool final)
{
    if (filePercent == filePercent_ && totalPercent == totalPercent_) {
        if (barsHeld_)
            moveBars(filePercent, totalPercent, true);   // back where it stands: nothing held any more
        return;
    }
    if (barsPace_.showsNow(GetTickCount(), final)) {
        moveBars(filePercent, totalPercent, true);
        return;
    }
    if (!barsHeld_)
        SetTimer(dialog_, TIMER_BARS, barsInterval, nullptr);
    barsHeld_ = true;
    heldFilePercent_ = filePercent;
    heldTotalPercent_ = totalPercent;
}

void ProgressDisplay::showHeldBars()
{
    KillTimer(dialog_, TIMER_BARS);
    if (barsHeld_)
        moveBars(heldFilePercent_, heldTotalPercent_, true);
}

void ProgressDisplay::showOverall()
{
    if (installState.totalBytes == 0)
        return;
    // A file bar held back goes up with it: the walk has moved on.
    const int filePercent = barsHeld_ ? heldFilePercent_ : filePercent_;
    const int totalBefore = totalPercent_;
    moveBars(filePercent, percentOf(installState.doneBytes, installState.totalBytes), false);
    // Painted at once: the walk's next step is posted, and a posted message
    // goes before painting.
    if (totalPercent_ != totalBefore)
        UpdateWindow(totalBar_);
}

void ProgressDisplay::end(INT_PTR result)
{
    if (ended_)
        return;
    ended_ = true;
    EndDialog(dialog_, result);
}

void showStatusText(HWND dialog, const char* text)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->showStatusText(text);
}

void showStatusString(HWND dialog, int baseId)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->showStatusString(baseId);
}

void keepStatusText(HWND dialog)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->keepStatusText();
}

void clearByteCounts(HWND dialog)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->clearByteCounts();
}

void showOverallProgress(HWND dialog)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->showOverall();
}

void endProgressDialog(HWND dialog, INT_PTR result)
{
    if (ProgressDisplay* display = ProgressDisplay::of(dialog))
        display->end(result);
}
