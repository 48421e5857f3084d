#include "wizard/page_result.h"
#include "wizard/pages.h"

// The welcome page only greets.
INT_PTR CALLBACK welcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_NOTIFY && notifyCode(lParam) == PSN_SETACTIVE)
        return activatePage(page, buttonsNext);
    return FALSE;
}
