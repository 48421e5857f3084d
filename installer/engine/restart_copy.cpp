#include "engine/restart_copy.h"

#include "common/bounded_format.h"
#include "core/install_state.h"
#include "engine/component_files.h"

#include <windows.h>

namespace {

const char restartCopyName[] = "installer.exe";

} // namespace

bool copyInstallerForRestart(char copy[pathSize])
{
    char ownPath[pathSize];
    const DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    if (length == 0 || length >= sizeof ownPath)
        return false;
    char temporary[pathSize];
    if (!formatBounded(copy, pathSize, "%s\\%s", installState.installFolder, restartCopyName)
        || !formatBounded(temporary, sizeof temporary, "%s\\%s.new", installState.installFolder, restartCopyName))
        return false;
    // Started from the copy itself (after a restart, with "boot" once more).
    if (lstrcmpiA(ownPath, copy) == 0)
        return true;
    createParentFolders(copy);
    // Never written into a file found under either name: the copy is a new
    // file, and the move replaces whatever had the copy's name.
    DeleteFileA(temporary);
    if (!CopyFileA(ownPath, temporary, TRUE))
        return false;
    // A read-only download would make a copy that the next one cannot replace.
    SetFileAttributesA(temporary, FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExA(temporary, copy, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return false;
    }
    return true;
}
