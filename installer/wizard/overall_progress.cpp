// The overall bar as the walk of the list moves it between downloads, when
// no transfer reports.
#include "engine/progress_view.h"

#include "common/byte_count.h"
#include "core/install_state.h"
#include "wizard/shown_progress.h"

#include <commctrl.h>

void showOverallProgress(HWND dialog)
{
    if (installState.totalBytes == 0)
        return;
    ShownProgress& current = shownFor(dialog);
    const int percent = percentOf(installState.doneBytes, installState.totalBytes);
    if (percent == current.totalPercent)
        return;
    current.totalPercent = percent;
    SendMessageA(current.totalBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    // Painted at once: the walk's next step is posted, and a posted message
    // goes before painting.
    UpdateWindow(current.totalBar);
}
