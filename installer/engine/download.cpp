#include "engine/download.h"

#include "common/bounded_copy.h"
#include "core/install_state.h"
#include "engine/component_files.h"
#include "engine/component_hash.h"
#include "engine/list_check.h"
#include "transfer/http_request.h"

namespace {

bool isComplete(const ListWalk& walk)
{
    if (walk.pending.endStatus != Done || !isSuccessStatus(walk.transfer->statusLine()))
        return false;
    // The length as the header states it exactly, not the display's hint:
    // a body cut short of any spelling of it is no whole body.
    const int announced = walk.transfer->bodyLength();
    return announced < 0 || walk.transfer->bytesReceived() == announced;
}

// The check a download that arrived whole must pass.
ContentCheck checkArrived(ListWalk& walk)
{
    PendingDownload& pending = walk.pending;
    if (pending.lineStart == listLineStart)
        return checkListDownload(walk.dialog, pending.temporary, pending.destination);
    const DWORD length = static_cast<DWORD>(walk.transfer->bytesReceived());
    return checkComponentDownload(walk.dialog, pending.temporary, length,
                                  pending.hasDigest ? &pending.digest : nullptr);
}

} // namespace

DownloadStart startDownload(ListWalk& walk, const char* url, const char* destination, int lineStart,
                            const char* name, const ComponentDigest* digest)
{
    PendingDownload& pending = walk.pending;
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
    walk.continueAwaited = true;
    stopFollowing();
    createParentFolders(pending.temporary);
    const bool begun = walk.transfer->start(url, pending.temporary) == 1;
    // The digest is taken as the file arrives (the transfer creates it at its start).
    if (begun && pending.hasDigest && pending.digest.valid)
        followDownload(pending.temporary);
    const DownloadStart start = { begun, pending.endStatus != 0 };
    if (!start.begun && !start.reported)
        walk.continueAwaited = false;   // nothing will come
    return start;
}

bool noteTransferEnded(ListWalk& walk, int status)
{
    if (!walk.pending.active || walk.pending.endStatus != 0)
        return false;
    walk.pending.endStatus = status;
    return true;
}

DownloadOutcome settleDownload(ListWalk& walk)
{
    PendingDownload& pending = walk.pending;
    if (!pending.active)
        return DownloadOutcome::None;
    const bool complete = isComplete(walk);
    if (complete)
        pending.check = checkArrived(walk);
    if (complete && pending.check == ContentCheck::Pending) {
        walk.continueAwaited = true;
        return DownloadOutcome::Checking;
    }
    pending.active = false;
    if (complete && pending.check == ContentCheck::Accepted
        && MoveFileExA(pending.temporary, pending.destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        noteInstalledFile(walk.configuration, pending.destination);
        return DownloadOutcome::Installed;
    }
    stopFollowing();
    // A transfer that failed may still hold the file open; it is deleted
    // once the transfer is destroyed.
    if (!DeleteFileA(pending.temporary) && GetFileAttributesA(pending.temporary) != INVALID_FILE_ATTRIBUTES)
        copyBounded(walk.leftover, sizeof walk.leftover, pending.temporary);
    return complete && pending.check != ContentCheck::Accepted ? DownloadOutcome::Refused
                                                               : DownloadOutcome::Discarded;
}

int settledLineStart(const ListWalk& walk)
{
    return walk.pending.lineStart;
}

const char* settledName(const ListWalk& walk)
{
    return walk.pending.name;
}

ContentCheck settledCheck(const ListWalk& walk)
{
    return walk.pending.check;
}

void awaitContinue(ListWalk& walk)
{
    walk.continueAwaited = true;
}

bool takeAwaitedContinue(ListWalk& walk)
{
    const bool awaited = walk.continueAwaited;
    walk.continueAwaited = false;
    return awaited;
}
