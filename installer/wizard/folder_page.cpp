#include "client/client_objects.h"
#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "core/language_string.h"
#include "res/resource_ids.h"
#include "win32/com_ptr.h"
#include "win32/reg_key.h"
#include "win32/scoped_bstr.h"
#include "wizard/page_result.h"
#include "wizard/pages.h"

#include <shlobj.h>
#include <string.h>

namespace {

// Asks the installed client where it is; true when it reports a folder,
// which then stands in installFolder.
bool detectInstalledClient(IZorvClientConf* configuration)
{
    ScopedBstr clientPath;
    if (FAILED(configuration->GetClientPath(clientPath.put())))
        return false;
    char folder[pathSize];
    const int written = WideCharToMultiByte(CP_ACP, 0, clientPath.get() ? clientPath.get() : L"", -1, folder,
                                            sizeof folder, nullptr, nullptr);
    // A path that does not fit keeps the previous folder.
    if (written <= 1)
        return false;
    char* lastSeparator = strrchr(folder, '\\');
    if (lastSeparator != nullptr)
        *lastSeparator = '\0';
    copyBounded(installState.installFolder, sizeof installState.installFolder, folder);
    return true;
}

// The client must not run while its files are replaced.
void stopRunningClient()
{
    ComPtr<IZorvClient> application;
    createClientObject("Zorv.Client", IID_IZorvClient, application.putVoid());
    if (!application)
        return;
    VARIANT_BOOL running = VARIANT_FALSE;
    if (SUCCEEDED(application->IsRunning(&running)) && running == VARIANT_TRUE)
        application->Quit();
}

void proposeDefaultFolder()
{
    RegKey key;
    if (!key.open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"))
        return;
    char programFiles[pathSize];
    if (key.readString("ProgramFilesDir", programFiles, sizeof programFiles)) {
        char folder[pathSize];
        if (copyBounded(folder, sizeof folder, programFiles) && appendBounded(folder, sizeof folder, "\\Brenix\\ZORV3"))
            copyBounded(installState.installFolder, sizeof installState.installFolder, folder);
    }
}

INT_PTR onInitDialog(HWND page)
{
    installState.existingInstall = 0;
    {
        ComPtr<IZorvClientConf> configuration;
        createClientObject("Zorv.Client.Conf", IID_IZorvClientConf, configuration.putVoid());
        if (configuration && detectInstalledClient(configuration.get()))
            installState.existingInstall = 1;
        postExitBroadcast();
        if (installState.existingInstall) {
            stopRunningClient();
            ShowWindow(GetDlgItem(page, IDC_EXISTING_NOTICE), SW_SHOW);
        } else {
            ShowWindow(GetDlgItem(page, IDC_EXISTING_NOTICE), SW_HIDE);
            proposeDefaultFolder();
        }
    }
    SetDlgItemTextA(page, IDC_FOLDER_PATH, installState.installFolder);
    return TRUE;
}

void onBrowse(HWND page)
{
    ComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.put())))
        return;
    char title[64];
    loadLanguageString(IDS_BROWSE_TITLE, title, sizeof title);
    BROWSEINFOA browse = {};
    browse.hwndOwner = page;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_EDITBOX;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (chosen == nullptr)
        return;
    char folder[MAX_PATH + 1];
    if (SHGetPathFromIDListA(chosen, folder) && appendBounded(folder, sizeof folder, "\\ZORV3")) {
        copyBounded(installState.installFolder, sizeof installState.installFolder, folder);
        SetDlgItemTextA(page, IDC_FOLDER_PATH, installState.installFolder);
    }
    allocator->Free(chosen);
}

} // namespace

INT_PTR CALLBACK folderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(page);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_BROWSE) {
            onBrowse(page);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        if (notifyCode(lParam) == PSN_SETACTIVE)
            return activatePage(page, buttonsBackNext);
        return FALSE;
    default:
        return FALSE;
    }
}
