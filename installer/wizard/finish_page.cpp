#include "wizard/page_result.h"
#include "wizard/pages.h"

INT_PTR CALLBACK finishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY)
        return FALSE;
    switch (notifyCode(lParam)) {
    case PSN_SETACTIVE:
        return activatePage(page, buttonsFinish);
    case PSN_WIZFINISH:
        return setPageResult(page, FALSE);   // never vetoed: the sheet closes
    default:
        return FALSE;
    }
}
