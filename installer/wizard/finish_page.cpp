#include "client/client_objects.h"
#include "common/bounded_format.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "core/language_string.h"
#include "engine/restart_copy.h"
#include "res/resource_ids.h"
#include "win32/reg_key.h"
#include "win32/scoped_bstr.h"
#include "win32/scoped_handle.h"
#include "win32/windows_version.h"
#include "wizard/page_result.h"
#include "wizard/pages.h"


namespace {

// The installer runs once more after the restart and opens on this page.
// The entry names a copy in the installation folder: the file the user
// started may lie where others can replace it before the next logon. Without
// the copy there is no entry; the restart still replaces the files.
void writeRunOnceEntry()
{
    char copy[pathSize];
    if (!copyInstallerForRestart(copy))
        return;
    char command[pathSize];
    // A cut entry would start something else: none is written then.
    if (!formatBounded(command, sizeof command, "\"%s\" -afterboot", copy))
        return;
    RegKey key;
    if (!key.open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"))
        return;
    key.writeString("zorv", command);
}

void showText(HWND page, int control, int baseId)
{
    char text[128];
    loadLanguageString(baseId, text, sizeof text);
    SetDlgItemTextA(page, control, text);
}

INT_PTR onSetActive(HWND page)
{
    INT_PTR handled = activatePage(page, buttonsFinish);
    if (installState.errorFlag) {
        showText(page, IDC_STATUS, IDS_FINISHED_WITH_ERRORS);
    } else if (installState.restartPending) {
        writeRunOnceEntry();
        showText(page, IDC_STATUS, IDS_RESTART_NEEDED);
        showText(page, IDC_REBOOT_NOW, IDS_REBOOT_NOW);
        ShowWindow(GetDlgItem(page, IDC_REBOOT_NOW), SW_SHOW);
        CheckDlgButton(page, IDC_REBOOT_NOW, BST_CHECKED);
    } else {
        showText(page, IDC_STATUS, IDS_FINISHED_OK);
    }
    return handled;
}

void restartWindows()
{
    if (!isNineXFamily()) {
        HANDLE token = nullptr;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
            ScopedHandle ownedToken(token);
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
    }
    ExitWindowsEx(EWX_REBOOT, 0);
}

INT_PTR onWizardFinish(HWND page)
{
    useClientConfiguration([](IZorvClientConf* configuration) {
        ScopedBstr answer;
        configuration->QueryAtFinish(answer.put());
    });
    if (IsDlgButtonChecked(page, IDC_REBOOT_NOW) == BST_CHECKED && installState.restartPending)
        restartWindows();
    return setPageResult(page, FALSE);   // never vetoed: the sheet closes
}

} // namespace

INT_PTR CALLBACK finishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY)
        return FALSE;
    switch (notifyCode(lParam)) {
    case PSN_SETACTIVE:
        return onSetActive(page);
    case PSN_WIZFINISH:
        return onWizardFinish(page);
    default:
        return FALSE;
    }
}
