#include "engine/shortcut.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "engine/component_files.h"
#include "engine/component_location.h"
#include "win32/com_ptr.h"
#include "win32/scoped_co_task_mem.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <string.h>

namespace {

const DWORD anyClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER
    | CLSCTX_REMOTE_SERVER;

bool specialFolderPath(int folderId, char path[MAX_PATH])
{
    ScopedCoTaskMem<LPITEMIDLIST> location;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, location.put())))
        return false;
    return SHGetPathFromIDListA(location.get(), path) != FALSE;
}

// All users' programs folder, else the current user's.
bool programsFolder(char path[MAX_PATH])
{
    return specialFolderPath(CSIDL_COMMON_PROGRAMS, path) || specialFolderPath(CSIDL_PROGRAMS, path);
}

// The first shortcut of a run empties its menu folder: files and subfolders.
void wipeMenuFolderOnce(const char* shortcutFolder)
{
    if (!installState.wipeMenuFolder)
        return;
    char pattern[pathSize + 2] = {};   // a list of one name, closed by two terminators
    if (!copyBounded(pattern, pathSize, shortcutFolder) || !appendBounded(pattern, pathSize, "*.*"))
        return;
    createParentFolders(pattern);
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = pattern;
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&operation);
    installState.wipeMenuFolder = 0;
}

// The record's file field may end in arguments, after " -" or else " /".
// Only the field is searched: the installation folder may hold either.
void splitArguments(const char* file, char program[pathSize], const char** arguments)
{
    copyBounded(program, pathSize, file);
    *arguments = nullptr;
    char* blank = strstr(program, " -");
    if (blank == nullptr)
        blank = strstr(program, " /");
    if (blank != nullptr) {
        *arguments = file + (blank - program) + 1;
        *blank = '\0';
    }
}

bool saveShortcut(const char* target, const char* arguments, int iconIndex, const char* shortcutFile)
{
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, anyClassContext, IID_IShellLinkA, link.putVoid())))
        return false;
    ComPtr<IPersistFile> persist;
    if (FAILED(link->QueryInterface(IID_IPersistFile, persist.putVoid())))
        return false;
    if (arguments != nullptr)
        link->SetArguments(arguments);
    if (iconIndex != 0)
        link->SetIconLocation(target, iconIndex);
    link->SetPath(target);
    WCHAR wideFile[pathSize];
    if (MultiByteToWideChar(CP_ACP, 0, shortcutFile, -1, wideFile, sizeof wideFile / sizeof wideFile[0]) <= 0)
        return false;
    return SUCCEEDED(persist->Save(wideFile, TRUE));
}

bool makeShortcut(const char* file, const char* folder, const char* menuFolder, const char* name, int iconIndex)
{
    // The menu folder is emptied with a wildcard: it must lie below the programs folder.
    if (!isSafeRelativePath(menuFolder) || !isSafeRelativePath(name))
        return false;
    char shortcutFolder[pathSize];
    if (!programsFolder(shortcutFolder) || !appendBounded(shortcutFolder, sizeof shortcutFolder, "\\")
        || !appendBounded(shortcutFolder, sizeof shortcutFolder, menuFolder)
        || !appendBounded(shortcutFolder, sizeof shortcutFolder, "\\"))
        return false;
    wipeMenuFolderOnce(shortcutFolder);
    createParentFolders(shortcutFolder);

    char program[pathSize];
    const char* arguments = nullptr;
    splitArguments(file, program, &arguments);
    char target[pathSize];
    if (!componentPath(target, program, folder))
        return false;
    char shortcutFile[pathSize];
    if (!copyBounded(shortcutFile, sizeof shortcutFile, shortcutFolder)
        || !appendBounded(shortcutFile, sizeof shortcutFile, name)
        || !appendBounded(shortcutFile, sizeof shortcutFile, ".lnk"))
        return false;
    return saveShortcut(target, arguments, iconIndex, shortcutFile);
}

} // namespace

void createShortcut(const char* file, const char* folder, const char* menuFolder, const char* name,
                    int iconIndex)
{
    if (!makeShortcut(file, folder, menuFolder, name, iconIndex))
        installState.errorFlag = 1;
}
