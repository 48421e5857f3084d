#pragma once
#include "engine/content_check.h"
#include "engine/walk.h"

// Downloads go into a temporary file beside their destination and replace it
// only when complete: an upgrade that breaks off, fails to write or gets an
// error page leaves the installed file as it was.

enum class DownloadOutcome {
    None,        // no download was pending
    Installed,   // the file is in place
    Discarded,   // the download failed; the destination is unchanged
    Refused,     // it arrived whole but failed its check; the destination is unchanged
    Checking,    // it arrived whole and its check runs: a continue command comes when it has ended
};

// The lineStart of the component list's own download.
const int listLineStart = -1;

// How a download's start went.
struct DownloadStart {
    bool begun;      // the transfer accepted it (its start returned 1)
    bool reported;   // the transfer reported an end already, so a continue command will come
};

// Starts fetching url into destination through the walk's transfer, after
// creating the folders it goes into.
// lineStart is the list offset of the record that asked for it, or
// listLineStart. name is the record's file field, digest what the list gives
// for it (nullptr when nothing): the download is checked against it before it
// replaces anything, and the list against the vendor's signature.
DownloadStart startDownload(ListWalk& walk, const char* url, const char* destination, int lineStart,
                            const char* name, const ComponentDigest* digest);

// Called by the transfer report when the transfer reports an end. True for
// the first end of the pending download, which the engine must hear of (one
// continue command); false for a second or late end, which changes nothing.
bool noteTransferEnded(ListWalk& walk, int status);

// Judges the pending download by the transfer's end and puts it in place or
// throws it away; Checking while its check runs, after which the continue
// command that comes to the dialog settles it again.
DownloadOutcome settleDownload(ListWalk& walk);

// The lineStart of the download that settleDownload judged last, its name,
// and the check that refused it.
int settledLineStart(const ListWalk& walk);
const char* settledName(const ListWalk& walk);
ContentCheck settledCheck(const ListWalk& walk);

// The walk goes on only at the continue command that it awaits: one per
// download it started, one after a system-file replacement. A transfer that
// reports a second end (a clean close after a failed read) is not walked
// twice.
void awaitContinue(ListWalk& walk);
bool takeAwaitedContinue(ListWalk& walk);
