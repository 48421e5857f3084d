#include "wizard/page_result.h"

INT_PTR setPageResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR activatePage(HWND page, DWORD buttons)
{
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
    return setPageResult(page, 0);
}
