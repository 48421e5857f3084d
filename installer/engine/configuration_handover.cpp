#include "engine/configuration_handover.h"

#include "client/client_objects.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "core/language_string.h"
#include "engine/component_files.h"
#include "engine/progress_view.h"
#include "engine/sibling_key_files.h"
#include "res/resource_ids.h"
#include "win32/com_ptr.h"
#include "win32/scoped_bstr.h"
#include "win32/scoped_find.h"

namespace {

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
void importConfigurationFiles(IZorvClientConf* configuration, const InstalledConfiguration& installed)
{
    char pattern[pathSize];
    if (!clientFolderFile(pattern, "*.cnf"))
        return;
    WIN32_FIND_DATAA found;
    ScopedFind search(pattern, found);
    for (bool more = search.valid(); more; more = search.next(found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            || !wasConfigurationInstalled(installed, found.cFileName))
            continue;
        ScopedBstr name(found.cFileName);
        configuration->ImportConfigFile(name.get());
        char path[pathSize];
        if (clientFolderFile(path, found.cFileName))
            DeleteFileA(path);
    }
}

} // namespace

void handOverConfiguration(HWND dialog, const InstalledConfiguration& installed)
{
    char text[128];
    loadLanguageString(IDS_UPDATING_CONFIGURATION, text, sizeof text);
    showStatusText(dialog, text);

    ComPtr<IZorvClientConf> configuration;
    createClientObject("Zorv.Client.Conf", IID_IZorvClientConf, configuration.putVoid());
    if (configuration) {
        handOverProxy(configuration.get());
        importConfigurationFiles(configuration.get(), installed);
    }
    postExitBroadcast();
    // Still holding the object: its release may run the client's own
    // message loop, which comes after everything the hand-over does.
    copySiblingKeyFiles();
}
