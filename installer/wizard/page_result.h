#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

// Wizard buttons a page asks the sheet for on its activation.
const DWORD buttonsNext = PSWIZB_NEXT;
const DWORD buttonsBackNext = PSWIZB_BACK | PSWIZB_NEXT;
const DWORD buttonsFinish = PSWIZB_FINISH;

// Answers a page notification: stores the result the sheet reads and reports
// the notification handled.
INT_PTR setPageResult(HWND page, LONG_PTR result);

// Posts (never sends) the button request to the sheet and reports the
// activation handled without a veto.
INT_PTR activatePage(HWND page, DWORD buttons);

// The code of a WM_NOTIFY message.
inline UINT notifyCode(LPARAM lParam)
{
    return reinterpret_cast<const NMHDR*>(lParam)->code;
}
