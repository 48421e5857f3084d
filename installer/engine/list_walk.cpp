#include "engine/list_walk.h"

#include "common/text_sizes.h"
#include "core/install_state.h"
#include "core/private_messages.h"
#include "engine/check_status.h"
#include "engine/component_files.h"
#include "engine/content_check.h"
#include "engine/download.h"
#include "engine/list_check.h"
#include "engine/list_file_line.h"
#include "engine/progress_view.h"
#include "engine/records.h"
#include "engine/transfer_report.h"
#include "engine/vendor_key.h"
#include "engine/walk_slice.h"
#include "res/resource_ids.h"
#include "transfer/http_request.h"
#include "transfer/transfer_factory.h"

namespace {

const char listFileName[] = "zorv3.lst";
const char listFolder[] = "client";

// A failure the user must see: the walk stops and Cancel closes at once.
void failVisibly(HWND dialog)
{
    installState.errorFlag = 1;
    showStatusString(dialog, IDS_STATUS_FIRST + Error);
}

bool listPath(char path[pathSize])
{
    return componentPath(path, listFileName, listFolder);
}

// The list is in place: it is held open for the walk, which reads what was
// checked and nothing that somebody put in its place since (nobody may write
// it meanwhile). With the vendor's key that is the very handle the list was
// checked through.
bool holdAcceptedList(ListWalk& walk)
{
    char path[pathSize];
    walk.list.reset();
    if (hasVendorKey())
        walk.list.reset(takeAcceptedList());
    else if (listPath(path))
        walk.list.reset(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!walk.list.valid())
        failVisibly(walk.dialog);
    return walk.list.valid();
}

void walkList(ListWalk& walk)
{
    HWND dialog = walk.dialog;
    if (!walk.list.valid()) {
        failVisibly(dialog);
        return;
    }
    const HANDLE list = walk.list.get();
    for (;;) {
        char line[listLineSize];
        const int taken = readListLineAt(list, static_cast<DWORD>(installState.listOffset), line);
        if (taken < 0) {
            failVisibly(dialog);
            return;
        }
        if (taken == 0) {
            showOverallProgress(dialog);
            postEngineCommand(dialog, CMD_FINISH);
            return;
        }
        const int lineStart = installState.listOffset;
        installState.listOffset += taken;
        ListRecord record;
        splitListLine(line, &record);
        if (handleRecord(walk, record, lineStart) != WalkStep::Next)
            return;   // a download or a replacement goes on
        // A record's action may run a nested message loop (a COM server, a
        // registration that shows a window) in which the user cancelled.
        if (progressDialogEnded(dialog))
            return;
        if (walkSliceOver(walk)) {
            resumeWalkLater(walk);
            return;
        }
    }
}

} // namespace

void startCommand(ListWalk& walk)
{
    HWND dialog = walk.dialog;
    if (!walk.transfer) {
        walk.transfer = createTransfer(distributionKind(), onTransferReport, reinterpret_cast<LONG_PTR>(&walk));
        installState.currentTransfer = walk.transfer.get();
    }
    if (installState.useProxy)
        walk.transfer->setProxy(installState.proxyAddress);
    installState.listOffset = 0;
    forgetEarlierWalk(walk);
    forgetWalkResume(walk);
    // An installer with the vendor's key installs nothing it cannot check.
    if (hasVendorKey() && !contentChecksAvailable()) {
        installState.errorFlag = 1;
        showCheckFailure(dialog, ContentCheck::Uncheckable, listFileName);
        return;
    }

    char path[pathSize];
    char url[pathSize];
    if (!listPath(path) || !componentUrl(url, listFileName)) {
        failVisibly(dialog);
        return;
    }
    const DownloadStart start = startDownload(walk, url, path, listLineStart, listFileName, nullptr);
    installState.errorFlag = start.begun ? 0 : 1;
    // A start that failed without a report would leave the dialog waiting.
    if (!start.begun && !start.reported)
        showStatusString(dialog, IDS_STATUS_FIRST + Error);
}

void continueCommand(ListWalk& walk)
{
    HWND dialog = walk.dialog;
    if (!walk.transfer || !takeAwaitedContinue(walk))
        return;
    beginWalkSlice(walk);
    // A walk that gave the dialog a turn goes on where it stopped.
    if (takeWalkResume(walk)) {
        walkList(walk);
        return;
    }
    const char* statusLine = walk.transfer->statusLine();
    const DownloadOutcome outcome = settleDownload(walk);
    if (outcome == DownloadOutcome::Checking)
        return;   // its check runs; the dialog serves the user meanwhile
    if (!isSuccessStatus(statusLine)) {
        installState.errorFlag = 1;
        // No response at all (a refused connection, an unknown host) leaves
        // no line to show; the error text says what happened instead.
        if (statusLine[0] != '\0')
            showStatusText(dialog, statusLine);
        else
            showStatusString(dialog, IDS_STATUS_FIRST + Error);
        return;
    }
    const bool isList = settledLineStart(walk) == listLineStart;
    if (outcome == DownloadOutcome::Refused) {
        installState.errorFlag = 1;
        showCheckFailure(dialog, settledCheck(walk), settledName(walk));
        // A list that failed its check is not walked, nor the one kept before.
        if (isList)
            return;
        rememberFailedDownload(walk, settledLineStart(walk));
    }
    if (outcome == DownloadOutcome::Discarded) {
        installState.errorFlag = 1;
        if (isList) {
            // A list that did not arrive whole must not be walked, nor an old one.
            failVisibly(dialog);
            return;
        }
        rememberFailedDownload(walk, settledLineStart(walk));
    }
    if (outcome == DownloadOutcome::Installed) {
        if (isList && !holdAcceptedList(walk))
            return;
        rememberInstalledDownload(walk, settledLineStart(walk));
    }
    walkList(walk);
}
