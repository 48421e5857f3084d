#include "engine/sibling_key_files.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "engine/component_files.h"
#include "win32/reg_key.h"
#include "win32/scoped_find.h"

#include <string.h>
#include <windows.h>

namespace {

const char appPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

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

} // namespace

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
