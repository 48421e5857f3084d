#include "engine/walk.h"

#include "core/install_state.h"

ListWalk::ListWalk()
    : dialog(nullptr), pending(), continueAwaited(false), resumeAwaited(false), sliceStart(0), leftover(),
      failedSystemFileLine(-1), installedSystemFileLine(-1), componentFailed(false), digests(), configuration()
{
}

ListWalk::~ListWalk()
{
    destroyTransfer(*this);
}

void destroyTransfer(ListWalk& walk)
{
    walk.list.reset();
    stopContentChecks();
    walk.transfer.reset();
    installState.currentTransfer = nullptr;
    if (walk.pending.active)
        DeleteFileA(walk.pending.temporary);
    walk.pending.active = false;
    if (walk.leftover[0] != '\0')
        DeleteFileA(walk.leftover);
    walk.leftover[0] = '\0';
}
