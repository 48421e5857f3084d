#include "bench/design_limit/wizard_frame.h"

#include "bench/design_limit/resource_ids.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

const TransferRequest* pendingRequest = nullptr;
bool dialogRan = false;

INT_PTR CALLBACK transferDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    if (!startReferenceTransfer(*pendingRequest, dialog))
        EndDialog(dialog, 2);
    return TRUE;
}

LPNMHDR notification(UINT message, LPARAM lParam)
{
    return message == WM_NOTIFY ? reinterpret_cast<LPNMHDR>(lParam) : nullptr;
}

INT_PTR pageResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

// As a user's click: the button's message goes through the sheet's loop.
INT_PTR pressWhenShown(HWND page, DWORD buttons, int button)
{
    HWND sheet = GetParent(page);
    PropSheet_SetWizButtons(sheet, buttons);
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    return pageResult(page, 0);
}

INT_PTR CALLBACK startPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    const LPNMHDR header = notification(message, lParam);
    if (header == nullptr)
        return FALSE;
    switch (header->code) {
    case PSN_SETACTIVE:
        return pressWhenShown(page, PSWIZB_NEXT, PSBTN_NEXT);
    case PSN_WIZNEXT:
        // The installer's ready page does the same: the dialog runs inside
        // the notification, and the sheet moves on when it has ended.
        dialogRan = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TRANSFER), page,
                                    transferDialogProc, 0) == 1;
        return pageResult(page, 0);
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK endPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    const LPNMHDR header = notification(message, lParam);
    if (header == nullptr || header->code != PSN_SETACTIVE)
        return FALSE;
    return pressWhenShown(page, PSWIZB_FINISH, PSBTN_FINISH);
}

} // namespace

bool runInWizard(const TransferRequest& request)
{
    pendingRequest = &request;
    dialogRan = false;
    InitCommonControls();

    // The installer's pages carry the same 48-byte description.
    PROPSHEETPAGEA_V2 pages[2] = {};
    const WORD templates[2] = {IDD_START_PAGE, IDD_END_PAGE};
    const DLGPROC procedures[2] = {startPageProc, endPageProc};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = GetModuleHandleA(nullptr);
        pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
        pages[i].pszTitle = "Design limit";
        pages[i].pfnDlgProc = procedures[i];
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    sheet.nPages = 2;
    sheet.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    const INT_PTR shown = PropertySheetA(&sheet);
    releaseReferenceTransfer();
    pendingRequest = nullptr;
    return shown > 0 && dialogRan;
}
