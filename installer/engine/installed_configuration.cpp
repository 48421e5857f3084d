#include "engine/installed_configuration.h"

#include "common/bounded_copy.h"
#include "core/install_state.h"

#include <string.h>
#include <windows.h>

namespace {

bool isConfigurationName(const char* name)
{
    const size_t length = strlen(name);
    return length > 4 && lstrcmpiA(name + length - 4, ".cnf") == 0;
}

// The full path of the file's folder and its bare name; the list may spell
// the client folder with "/" or "." parts, so both sides are made full paths.
bool splitFullPath(const char* path, char folder[MAX_PATH], const char** name)
{
    char* filePart = nullptr;
    const DWORD length = GetFullPathNameA(path, MAX_PATH, folder, &filePart);
    if (length == 0 || length >= MAX_PATH || filePart == nullptr || filePart == folder)
        return false;
    filePart[-1] = '\0';
    *name = filePart;
    return true;
}

bool isClientFolder(const char* folder)
{
    char client[MAX_PATH];
    char full[MAX_PATH];
    if (!copyBounded(client, sizeof client, installState.installFolder)
        || !appendBounded(client, sizeof client, "\\client"))
        return false;
    const DWORD length = GetFullPathNameA(client, sizeof full, full, nullptr);
    return length != 0 && length < sizeof full && lstrcmpiA(full, folder) == 0;
}

} // namespace

void noteInstalledFile(InstalledConfiguration& installed, const char* destination)
{
    char folder[MAX_PATH];
    const char* name = nullptr;
    if (!splitFullPath(destination, folder, &name) || !isConfigurationName(name) || !isClientFolder(folder)
        || wasConfigurationInstalled(installed, name) || installed.count == installedConfigurationCapacity)
        return;
    // splitFullPath ended the folder inside the same buffer, so the name fits.
    copyBounded(installed.names[installed.count], MAX_PATH, name);
    ++installed.count;
}

bool wasConfigurationInstalled(const InstalledConfiguration& installed, const char* name)
{
    for (int i = 0; i < installed.count; ++i) {
        if (lstrcmpiA(installed.names[i], name) == 0)
            return true;
    }
    return false;
}
