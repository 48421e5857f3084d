#include "engine/system_file.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"

#include <string.h>
#include <windows.h>

namespace {

bool isNineXFamily()
{
    return (GetVersion() & 0x80000000u) != 0;
}

// target: the system folder with the downloaded file's name; temporary: the
// target with its last character replaced by "$".
bool replacementNames(const char* downloaded, char target[pathSize], char temporary[pathSize])
{
    const char* name = strrchr(downloaded, '\\');
    if (name == nullptr)
        return false;
    UINT length = GetSystemDirectoryA(target, pathSize);
    if (length == 0 || length >= pathSize)
        return false;
    if (!appendBounded(target, pathSize, name))
        return false;
    copyBounded(temporary, pathSize, target);
    temporary[strlen(temporary) - 1] = '$';
    return true;
}

bool replaceOnNt(const char* downloaded, const char* target, const char* temporary)
{
    const DWORD moveNow = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (!installState.restartPending && MoveFileExA(downloaded, target, moveNow))
        return true;
    if (!MoveFileExA(downloaded, temporary, moveNow))
        return false;
    if (MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        installState.restartPending = 1;
        return true;
    }
    // Nothing would ever move it: no file is left behind in the system folder.
    DeleteFileA(temporary);
    return false;
}

bool replaceOnNineX(const char* downloaded, const char* target, const char* temporary)
{
    if (!installState.restartPending && MoveFileA(downloaded, target))
        return true;
    DeleteFileA(temporary);
    if (!MoveFileA(downloaded, temporary))
        return false;
    if (WritePrivateProfileStringA("rename", target, temporary, "wininit.ini")) {
        installState.restartPending = 1;
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
    bool replaced = false;
    if (replacementNames(downloaded, target, temporary))
        replaced = isNineXFamily() ? replaceOnNineX(downloaded, target, temporary)
                                   : replaceOnNt(downloaded, target, temporary);
    if (!replaced) {
        DeleteFileA(downloaded);
        installState.errorFlag = 1;
    }
}
