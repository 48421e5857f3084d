#include "wizard/wizard_sheet.h"

#include "core/install_state.h"
#include "res/resource_ids.h"
#include "wizard/pages.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

struct PageDescription {
    int baseTemplateId;
    DLGPROC procedure;
};

// The page order is not the order of the template ids.
constexpr PageDescription pageDescriptions[] = {
    { IDD_WELCOME, welcomePageProc },
    { IDD_FOLDER, folderPageProc },
    { IDD_PROXY, proxyPageProc },
    { IDD_READY, readyPageProc },
    { IDD_FINISH, finishPageProc },
};
const int pageCount = sizeof pageDescriptions / sizeof pageDescriptions[0];

constexpr int pageIndexOf(int baseTemplateId)
{
    for (int i = 0; i < pageCount; ++i) {
        if (pageDescriptions[i].baseTemplateId == baseTemplateId)
            return i;
    }
    return -1;
}

constexpr int finishPageIndex = pageIndexOf(IDD_FINISH);
static_assert(finishPageIndex >= 0, "the finish page is in the table");

} // namespace

void runWizard(WizardStart start)
{
    // The pages carry the 48-byte description: its size is also the stride
    // the sheet walks the array with.
    PROPSHEETPAGEA_V2 pages[pageCount] = {};
    for (int i = 0; i < pageCount; ++i) {
        PROPSHEETPAGEA_V2& page = pages[i];
        page.dwSize = sizeof page;
        page.dwFlags = PSP_USETITLE;
        page.hInstance = installState.instanceHandle;
        page.pszTemplate = MAKEINTRESOURCEA(
            static_cast<WORD>(pageDescriptions[i].baseTemplateId + installState.languageOffset));
        page.pszTitle = ZORV_CAPTION;
        page.pfnDlgProc = pageDescriptions[i].procedure;
    }

    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    sheet.nPages = pageCount;
    sheet.nStartPage = start == WizardStart::Finish ? finishPageIndex : 0;
    sheet.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);

    // A failing sheet is not reported: the steps after it run as after a cancel.
    PropertySheetA(&sheet);
}
