#pragma once
#include "common/text_sizes.h"
#include "engine/content_check.h"
#include "engine/installed_configuration.h"
#include "engine/list_line_reader.h"
#include "transfer/transfer.h"
#include "win32/handle_list.h"
#include "win32/noncopyable.h"
#include "win32/scoped_handle.h"

#include <memory>
#include <windows.h>

// The download the walk waits for: it goes into a temporary file beside its
// destination and replaces it only when complete and checked.
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

// The last D record, until the I or M record behind it has taken it.
struct HeldDigest {
    bool held;
    char file[listLineSize];
    ComponentDigest digest;
    int takenBy;               // the line of the record that took it; -1 before one did
    ComponentDigest taken;     // what takeDigestFor hands out
};

// One installation's walk of the component list: everything the engine keeps
// between the progress dialog's commands besides the shared InstallState. It
// lives as long as the progress dialog's installation, from the start command
// until the dialog has ended and the files it checked are let go, and owns
// the transfer, the list it walks and the files it keeps from others.
struct ListWalk : NonCopyable {
    ListWalk();
    ~ListWalk();

    HWND dialog;                          // the progress dialog, which the transfer reports to
    std::unique_ptr<Transfer> transfer;   // installState.currentTransfer points to it while it lives
    ScopedHandle list;                    // the accepted list, unwritable by others while it is walked

    PendingDownload pending;
    // The walk goes on only at the continue command that it awaits: one per
    // download it started, one after a system-file replacement, one behind
    // the user's input at the end of a slice or when a check has ended.
    bool continueAwaited;
    bool resumeAwaited;                   // that command resumes the walk: nothing to judge
    DWORD sliceStart;
    char leftover[pathSize];              // a discarded file its failed transfer still held open

    int failedSystemFileLine;             // a system file whose download failed: passed over
    int installedSystemFileLine;          // the one put in place last: read again, it is replaced
    bool componentFailed;                 // with the vendor's key, R and H records act no more
    HeldDigest digests;
    InstalledConfiguration configuration;
    HandleList checkedFiles;              // files in place that were accepted, held until let go
};

// Destroys the walk's transfer: a download still pending is thrown away, and
// the walked list is let go. The files it checked stay held.
void destroyTransfer(ListWalk& walk);
