#include "wizard/page_result.h"
#include "wizard/pages.h"

INT_PTR CALLBACK proxyPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_NOTIFY && notifyCode(lParam) == PSN_SETACTIVE)
        return activatePage(page, buttonsBackNext);
    return FALSE;
}
