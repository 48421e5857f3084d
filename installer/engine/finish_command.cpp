#include "engine/finish_command.h"

#include "core/install_state.h"
#include "core/private_messages.h"
#include "engine/configuration_handover.h"
#include "engine/progress_view.h"

void finishCommand(ListWalk& walk)
{
    destroyTransfer(walk);
    clearByteCounts(walk.dialog);
    if (!installState.noReg)
        handOverConfiguration(walk.dialog, walk.configuration);
    walk.checkedFiles.closeAll();
    endProgressDialog(walk.dialog, installState.errorFlag ? PROGRESS_FAILED : PROGRESS_INSTALLED);
}
