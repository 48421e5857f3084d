// Interim: the commands as the progress dialog calls them today, on one walk.
#include "engine/finish_command.h"
#include "engine/content_check.h"
#include "engine/download.h"
#include "engine/list_walk.h"

namespace {

ListWalk& installationWalk()
{
    static ListWalk walk;
    return walk;
}

} // namespace

void startCommand(HWND dialog)
{
    installationWalk().dialog = dialog;
    startCommand(installationWalk());
}

void continueCommand(HWND)
{
    continueCommand(installationWalk());
}

void finishCommand(HWND)
{
    finishCommand(installationWalk());
}

void destroyTransfer()
{
    destroyTransfer(installationWalk());
}

void releaseCheckedFiles()
{
    installationWalk().checkedFiles.closeAll();
}
