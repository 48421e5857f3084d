#include "core/install_state.h"
#include "core/private_messages.h"
#include "engine/walk.h"
#include "wizard/page_result.h"
#include "wizard/pages.h"
#include "wizard/progress_dialog.h"

namespace {

// The installation runs inside the progress dialog; the sheet goes on to the
// finish page whatever its result.
INT_PTR onWizardNext(HWND page)
{
    // The walk lives as long as the installation: from the dialog's start
    // until it has ended and what the walk holds is let go.
    ListWalk walk;
    if (runProgressDialog(page, walk) != PROGRESS_INSTALLED)
        installState.errorFlag = 1;
    // A download still running after a cancel is stopped and thrown away,
    // and the files the walk checked are let go.
    destroyTransfer(walk);
    walk.checkedFiles.closeAll();
    return setPageResult(page, 0);
}

} // namespace

INT_PTR CALLBACK readyPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY)
        return FALSE;
    switch (notifyCode(lParam)) {
    case PSN_SETACTIVE:
        return activatePage(page, buttonsBackNext);
    case PSN_WIZNEXT:
        return onWizardNext(page);
    default:
        return FALSE;
    }
}
