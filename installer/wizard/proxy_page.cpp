#include "client/client_objects.h"
#include "core/install_state.h"
#include "res/resource_ids.h"
#include "win32/com_ptr.h"
#include "win32/reg_key.h"
#include "wizard/page_result.h"
#include "wizard/pages.h"
#include "wizard/proxy_setting.h"

namespace {

const char internetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Fields are read whole or not at all: a cut host or port would name
// another proxy.
const int hostFieldSize = 1024;
const int portFieldSize = 256;

bool readField(HWND page, int id, char* buffer, int capacity)
{
    buffer[0] = '\0';
    if (GetWindowTextLengthA(GetDlgItem(page, id)) >= capacity)
        return false;
    GetDlgItemTextA(page, id, buffer, capacity);
    return true;
}

// A local proxy may be the client's own: the client's configuration object is
// made and released, and running clients are asked to exit.
void contactClientConfiguration()
{
    ComPtr<IUnknown> configuration;
    createClientObject("Zorv.Client.Conf", IID_IUnknown, configuration.putVoid());
    postExitBroadcast();
}

// Proposes the user's Internet proxy; a local one is shown but not selected.
void readSystemProxy(HWND page)
{
    CheckRadioButton(page, IDC_PROXY_NONE, IDC_PROXY_USE, IDC_PROXY_NONE);
    RegKey settings;
    if (settings.open(HKEY_CURRENT_USER, internetSettingsKey)) {
        char value[proxyServerValueLength + 1];
        char host[proxyServerValueLength + 1] = "";
        char port[proxyServerValueLength + 1] = "";
        // Only name=value entries for other protocols: nothing is proposed.
        if (settings.readString("ProxyServer", value, sizeof value)
            && findHttpProxy(value, host, sizeof host, port, sizeof port)) {
            SetDlgItemTextA(page, IDC_PROXY_PORT, port);
            SetDlgItemTextA(page, IDC_PROXY_HOST, host);
        }
        if (!isLocalProxyHost(host)) {
            DWORD enabled = 0;
            if (settings.readDword("ProxyEnable", enabled) && enabled != 0)
                CheckRadioButton(page, IDC_PROXY_NONE, IDC_PROXY_USE, IDC_PROXY_USE);
        } else if (installState.existingInstall) {
            contactClientConfiguration();
        }
    }
    // Handled once initialisation is over: the enable rule.
    PostMessageA(page, WM_COMMAND, 0, 0);
}

void applyEnableRule(HWND page)
{
    BOOL useProxy = IsDlgButtonChecked(page, IDC_PROXY_USE) == BST_CHECKED;
    EnableWindow(GetDlgItem(page, IDC_PROXY_HOST), useProxy);
    EnableWindow(GetDlgItem(page, IDC_PROXY_PORT), useProxy);
}

// Stores the choice; without a usable port the page stays, silently.
INT_PTR onNext(HWND page)
{
    installState.useProxy = IsDlgButtonChecked(page, IDC_PROXY_USE) == BST_CHECKED ? 1 : 0;
    if (!installState.useProxy) {
        installState.proxyAddress[0] = '\0';
        return setPageResult(page, 0);
    }
    char host[hostFieldSize];
    char port[portFieldSize];
    bool whole = readField(page, IDC_PROXY_HOST, host, sizeof host);
    whole = readField(page, IDC_PROXY_PORT, port, sizeof port) && whole;
    if (!composeProxyAddress(installState.proxyAddress, sizeof installState.proxyAddress, host, port) || !whole)
        return setPageResult(page, -1);
    return setPageResult(page, 0);
}

INT_PTR onNotify(HWND page, LPARAM lParam)
{
    switch (notifyCode(lParam)) {
    case PSN_SETACTIVE:
        return activatePage(page, buttonsBackNext);
    case PSN_WIZNEXT:
        return onNext(page);
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK proxyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        readSystemProxy(page);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != 0)
            return FALSE;
        applyEnableRule(page);
        return TRUE;
    case WM_NOTIFY:
        return onNotify(page, lParam);
    default:
        return FALSE;
    }
}
