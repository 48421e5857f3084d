// The progress dialog's status line and byte counts, as the engine's view
// (engine/progress_view.h) asks for them.
#include "engine/progress_view.h"

#include "common/bounded_copy.h"
#include "core/language_string.h"
#include "core/private_messages.h"
#include "res/resource_ids.h"
#include "wizard/shown_progress.h"

namespace {

ShownProgress shown = {};

} // namespace

ShownProgress& shownFor(HWND dialog)
{
    if (shown.dialog != dialog) {
        shown.dialog = dialog;
        shown.statusText = GetDlgItem(dialog, IDC_STATUS);
        shown.byteCountText = GetDlgItem(dialog, IDC_BYTES);
        shown.fileBar = GetDlgItem(dialog, IDC_FILE_PROGRESS);
        shown.totalBar = GetDlgItem(dialog, IDC_TOTAL_PROGRESS);
        shown.status = -1;
        shown.statusKept = false;
        shown.filePercent = -1;
        shown.totalPercent = -1;
        shown.byteCounts[0] = '\0';
        shown.heldByteCounts[0] = '\0';
        shown.byteCountsPace = ByteCountPace();
    }
    return shown;
}

void showStatusText(HWND dialog, const char* text)
{
    ShownProgress& current = shownFor(dialog);
    current.status = -1;   // no longer a transfer status
    SetWindowTextA(current.statusText, text);
}

void showStatusString(HWND dialog, int baseId)
{
    char text[statusTextSize];
    loadLanguageString(baseId, text, sizeof text);
    showStatusText(dialog, text);
}

void showHeldByteCounts(HWND dialog)
{
    ShownProgress& current = shownFor(dialog);
    KillTimer(dialog, TIMER_BYTE_COUNTS);
    if (current.heldByteCounts[0] == '\0')
        return;
    copyBounded(current.byteCounts, sizeof current.byteCounts, current.heldByteCounts);
    current.heldByteCounts[0] = '\0';
    current.byteCountsPace.shown(GetTickCount());
    SetWindowTextA(current.byteCountText, current.byteCounts);
}

void keepStatusText(HWND dialog)
{
    shownFor(dialog).statusKept = true;
}

void clearByteCounts(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_BYTES, "");
}
