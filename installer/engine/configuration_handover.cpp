#include "engine/configuration_handover.h"

#include "client/client_objects.h"
#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "core/language_string.h"
#include "engine/content_check.h"
#include "engine/download.h"
#include "engine/installed_configuration.h"
#include "engine/progress_view.h"
#include "res/resource_ids.h"
#include "win32/com_ptr.h"
#include "win32/reg_key.h"
#include "win32/scoped_bstr.h"
#include "win32/scoped_find.h"

#include <string.h>

namespace {

const char appPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

bool clientFolderFile(char path[pathSize], const char* name)
{
    return copyBounded(path, pathSize, installState.installFolder) && appendBounded(path, pathSize, "\\client\\")
        && appendBounded(path, pathSize, name);
}

void handOverProxy(IZorvClientConf* configuration)
{
    if (!installState.useProxy)
        return;
    ScopedBstr section("http");
    ScopedBstr key("proxy");
    ScopedVariant value;
    value.setString(installState.proxyAddress);
    configuration->SetValue(section.get(), key.get(), value.get());
}

// Each *.cnf of the client folder that this run installed is imported by its
// bare name, in the folder's order, then deleted, whatever the import
// answered. Anyone may add files to the folder: others are left alone.
void importConfigurationFiles(IZorvClientConf* configuration)
{
    char pattern[pathSize];
    if (!clientFolderFile(pattern, "*.cnf"))
        return;
    WIN32_FIND_DATAA found;
    ScopedFind search(pattern, found);
    for (bool more = search.valid(); more; more = search.next(found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !wasConfigurationInstalled(found.cFileName))
            continue;
        ScopedBstr name(found.cFileName);
        configuration->ImportConfigFile(name.get());
        char path[pathSize];
        if (clientFolderFile(path, found.cFileName))
            DeleteFileA(path);
    }
}

// The folder of the sibling program, from its registered application path.
bool siblingFolder(char folder[pathSize])
{
    RegKey key;
    char subKey[256];
    copyBounded(subKey, sizeof subKey, appPathsKey);
    appendBounded(subKey, sizeof subKey, "pelkor.exe");
    if (!key.open(HKEY_LOCAL_MACHINE, subKey)) {
        copyBounded(subKey, sizeof subKey, appPathsKey);
        appendBounded(subKey, sizeof subKey, "pelkor3.exe");
        if (!key.open(HKEY_LOCAL_MACHINE, subKey))
            return false;
    }
    if (!key.readRaw(nullptr, folder, pathSize))
        return false;
    char* lastSeparator = strrchr(folder, '\\');
    if (lastSeparator != nullptr)
        *lastSeparator = '\0';
    return true;
}

// Key files the sibling program has are copied, never over existing ones.
void copySiblingKeyFiles()
{
    char folder[pathSize];
    char pattern[pathSize];
    if (!siblingFolder(folder) || !copyBounded(pattern, sizeof pattern, folder)
        || !appendBounded(pattern, sizeof pattern, "\\*.key"))
        return;
    WIN32_FIND_DATAA found;
    ScopedFind search(pattern, found);
    for (bool more = search.valid(); more; more = search.next(found)) {
        char source[pathSize];
        char target[pathSize];
        if (copyBounded(source, sizeof source, folder) && appendBounded(source, sizeof source, "\\")
            && appendBounded(source, sizeof source, found.cFileName) && clientFolderFile(target, found.cFileName))
            CopyFileA(source, target, TRUE);
    }
}

void handOverConfiguration(HWND dialog)
{
    char text[128];
    loadLanguageString(IDS_UPDATING_CONFIGURATION, text, sizeof text);
    showStatusText(dialog, text);

    ComPtr<IZorvClientConf> configuration;
    createClientObject("Zorv.Client.Conf", IID_IZorvClientConf, configuration.putVoid());
    if (configuration) {
        handOverProxy(configuration.get());
        importConfigurationFiles(configuration.get());
    }
    postExitBroadcast();
    copySiblingKeyFiles();
}

} // namespace

void finishCommand(HWND dialog)
{
    destroyTransfer();
    clearByteCounts(dialog);
    if (!installState.noReg)
        handOverConfiguration(dialog);
    releaseCheckedFiles();
    endProgressDialog(dialog, installState.errorFlag ? 2 : 1);
}
