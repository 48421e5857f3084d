#include "engine/download.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "engine/component_files.h"
#include "engine/installed_configuration.h"
#include "engine/list_check.h"
#include "engine/walked_list.h"
#include "transfer/http_request.h"
#include "transfer/transfer.h"

#include <string.h>

namespace {

struct PendingDownload {
    bool active;
    int endStatus;   // Done or Error once reported, else 0
    int lineStart;
    char destination[pathSize];
    char temporary[pathSize];
    char name[pathSize];
    bool hasDigest;
    ComponentDigest digest;
    ContentCheck check;
};

PendingDownload pending = {};
bool continueAwaited = false;
// A discarded file that its failed transfer still held open.
char leftover[pathSize] = "";

bool isComplete(Transfer* transfer)
{
    if (pending.endStatus != Done || !isSuccessStatus(transfer->statusLine()))
        return false;
    // The length as the header states it exactly, not the display's hint:
    // a body cut short of any spelling of it is no whole body.
    const int announced = transfer->bodyLength();
    return announced < 0 || transfer->bytesReceived() == announced;
}

// The check a download that arrived whole must pass.
ContentCheck checkArrived(HWND dialog)
{
    if (pending.lineStart == listLineStart)
        return checkListDownload(dialog, pending.temporary, pending.destination);
    const DWORD length = static_cast<DWORD>(installState.currentTransfer->bytesReceived());
    return checkComponentDownload(dialog, pending.temporary, length, pending.hasDigest ? &pending.digest : nullptr);
}

} // namespace

DownloadStart startDownload(const char* url, const char* destination, int lineStart, const char* name,
                            const ComponentDigest* digest)
{
    pending.active = false;
    if (!copyBounded(pending.destination, sizeof pending.destination, destination)
        || !copyBounded(pending.temporary, sizeof pending.temporary, destination)
        || !appendBounded(pending.temporary, sizeof pending.temporary, ".download")
        || !copyBounded(pending.name, sizeof pending.name, name))
        return DownloadStart{ false, false };
    pending.hasDigest = digest != nullptr;
    if (digest != nullptr)
        pending.digest = *digest;
    pending.check = ContentCheck::Accepted;
    pending.active = true;
    pending.endStatus = 0;
    pending.lineStart = lineStart;
    continueAwaited = true;
    stopFollowing();
    createParentFolders(pending.temporary);
    const bool begun = installState.currentTransfer->start(url, pending.temporary) == 1;
    // The digest is taken as the file arrives (the transfer creates it at its start).
    if (begun && pending.hasDigest && pending.digest.valid)
        followDownload(pending.temporary);
    const DownloadStart start = { begun, pending.endStatus != 0 };
    if (!start.begun && !start.reported)
        continueAwaited = false;   // nothing will come
    return start;
}

bool noteTransferEnded(int status)
{
    if (!pending.active || pending.endStatus != 0)
        return false;
    pending.endStatus = status;
    return true;
}

DownloadOutcome settleDownload(HWND dialog)
{
    if (!pending.active)
        return DownloadOutcome::None;
    const bool complete = isComplete(installState.currentTransfer);
    if (complete)
        pending.check = checkArrived(dialog);
    if (complete && pending.check == ContentCheck::Pending) {
        continueAwaited = true;
        return DownloadOutcome::Checking;
    }
    pending.active = false;
    if (complete && pending.check == ContentCheck::Accepted
        && MoveFileExA(pending.temporary, pending.destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        noteInstalledFile(pending.destination);
        return DownloadOutcome::Installed;
    }
    stopFollowing();
    // A transfer that failed may still hold the file open; it is deleted
    // once the transfer is destroyed.
    if (!DeleteFileA(pending.temporary) && GetFileAttributesA(pending.temporary) != INVALID_FILE_ATTRIBUTES)
        copyBounded(leftover, sizeof leftover, pending.temporary);
    return complete && pending.check != ContentCheck::Accepted ? DownloadOutcome::Refused
                                                               : DownloadOutcome::Discarded;
}

int settledLineStart()
{
    return pending.lineStart;
}

const char* settledName()
{
    return pending.name;
}

ContentCheck settledCheck()
{
    return pending.check;
}

void destroyTransfer()
{
    releaseWalkedList();
    stopContentChecks();
    delete installState.currentTransfer;
    installState.currentTransfer = nullptr;
    if (pending.active)
        DeleteFileA(pending.temporary);
    pending.active = false;
    if (leftover[0] != '\0')
        DeleteFileA(leftover);
    leftover[0] = '\0';
}

void awaitContinue()
{
    continueAwaited = true;
}

bool takeAwaitedContinue()
{
    const bool awaited = continueAwaited;
    continueAwaited = false;
    return awaited;
}
