#include "engine/transfer_report.h"

#include "common/byte_count.h"
#include "core/install_state.h"
#include "core/private_messages.h"
#include "engine/download.h"
#include "engine/progress_view.h"
#include "transfer/transfer.h"

void onTransferReport(int32_t status, LONG_PTR context)
{
    ListWalk& walk = *reinterpret_cast<ListWalk*>(context);
    HWND dialog = walk.dialog;
    Transfer* transfer = walk.transfer.get();
    // A late report after the dialog has gone changes nothing.
    if (!IsWindow(dialog) || transfer == nullptr)
        return;

    installState.doneBytes = addSaturating(installState.doneBytes, transfer->lastChunkBytes());
    showTransferProgress(dialog, status, transfer);

    // Each download ends once for the engine: a transfer that reports an
    // Error and later a Done posts one continue command, not two.
    if ((status == Error || status == Done) && noteTransferEnded(walk, status)) {
        if (status == Error)
            installState.errorFlag = 1;
        postEngineCommand(dialog, CMD_CONTINUE);
    }
}
