#include "engine/system_file.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "engine/installed_access.h"
#include "win32/windows_version.h"

#include <string.h>
#include <windows.h>

namespace {

// The temporary names this run has scheduled in the system folder. They stay
// scheduled until Windows starts again, whatever the walk does meanwhile, so
// they are never forgotten within the run.
struct ScheduledNames {
    static const int capacity = 32;
    char names[capacity][pathSize];
    int count;

    // A name no earlier replacement of the run is waiting under. When the
    // table is full nothing counts as free: every later replacement takes
    // a name the system makes unique.
    bool isFree(const char* name) const
    {
        if (count >= capacity)
            return false;
        for (int i = 0; i < count; ++i) {
            if (lstrcmpiA(names[i], name) == 0)
                return false;
        }
        return true;
    }

    void remember(const char* name)
    {
        if (count < capacity && copyBounded(names[count], pathSize, name))
            ++count;
    }
};

ScheduledNames scheduled;

// target: the system folder with the downloaded file's name; temporary: the
// target with its last character replaced by "$".
bool replacementNames(const char* downloaded, char target[pathSize], char temporary[pathSize])
{
    const char* name = strrchr(downloaded, '\\');
    if (name == nullptr || !systemFolderFile(target, name + 1))
        return false;
    copyBounded(temporary, pathSize, target);
    temporary[strlen(temporary) - 1] = '$';
    return true;
}

// Keeps the usual temporary name unless an earlier replacement of this run
// waits under it (a.dll and a.dlx both make a.dl$); then the system makes
// an empty file of a unique name in the system folder, and made says so.
bool takeTemporaryName(char temporary[pathSize], bool& made)
{
    made = false;
    if (scheduled.isFree(temporary))
        return true;
    char folder[pathSize];
    if (!systemFolderFile(folder, nullptr))
        return false;
    // The name is at most the folder, "\", three letters, four digits and ".tmp".
    if (strlen(folder) + 13 >= static_cast<size_t>(pathSize) || GetTempFileNameA(folder, "zrv", 0, temporary) == 0)
        return false;
    made = true;
    return true;
}

bool replaceOnNt(const char* downloaded, const char* target, char temporary[pathSize], bool& madeTemporary)
{
    const DWORD moveNow = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (!installState.restartPending && MoveFileExA(downloaded, target, moveNow)) {
        // In place already: a list that cannot be set is reported, the file stays.
        if (!takeSystemFolderAccess(target))
            installState.errorFlag = 1;
        return true;
    }
    if (!takeTemporaryName(temporary, madeTemporary))
        return false;
    if (!MoveFileExA(downloaded, temporary, moveNow))
        return false;
    // The move at the restart keeps the list, so the waiting file gets it now.
    if (takeSystemFolderAccess(temporary)
        && MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        installState.restartPending = 1;
        scheduled.remember(temporary);
        return true;
    }
    // Nothing would ever move it: no file is left behind in the system folder.
    DeleteFileA(temporary);
    return false;
}

bool replaceOnNineX(const char* downloaded, const char* target, char temporary[pathSize], bool& madeTemporary)
{
    if (!installState.restartPending && MoveFileA(downloaded, target))
        return true;
    if (!takeTemporaryName(temporary, madeTemporary))
        return false;
    DeleteFileA(temporary);
    if (!MoveFileA(downloaded, temporary))
        return false;
    if (WritePrivateProfileStringA("rename", target, temporary, "wininit.ini")) {
        installState.restartPending = 1;
        scheduled.remember(temporary);
        return true;
    }
    DeleteFileA(temporary);
    return false;
}

} // namespace

void replaceSystemFile(const char* downloaded)
{
    char target[pathSize];
    char temporary[pathSize];
    bool madeTemporary = false;
    bool replaced = false;
    if (replacementNames(downloaded, target, temporary))
        replaced = isNineXFamily() ? replaceOnNineX(downloaded, target, temporary, madeTemporary)
                                   : replaceOnNt(downloaded, target, temporary, madeTemporary);
    if (!replaced) {
        // The empty file the system made for a unique name is not left behind.
        if (madeTemporary)
            DeleteFileA(temporary);
        DeleteFileA(downloaded);
        installState.errorFlag = 1;
    }
}

bool systemFolderFile(char path[pathSize], const char* name)
{
    const UINT length = GetSystemDirectoryA(path, pathSize);
    if (length == 0 || length >= static_cast<UINT>(pathSize))
        return false;
    return name == nullptr || (appendBounded(path, pathSize, "\\") && appendBounded(path, pathSize, name));
}
