#pragma once
#include "engine/list_record.h"
#include "engine/walk.h"

// What the walk does after a record.
enum class WalkStep {
    Next,      // go on with the next line
    Suspend,   // a download or a replacement was started: end the command
};

// Acts on one record of the list. lineStart is the offset of its line.
WalkStep handleRecord(ListWalk& walk, ListRecord& record, int lineStart);

// A system file whose download failed is not fetched again in this walk:
// its record, read a second time, is passed over. With the vendor's key, no
// R or H record acts after a component failed: what lies in its place may be
// anybody's.
void rememberFailedDownload(ListWalk& walk, int lineStart);

// A new walk begins: nothing of an earlier one counts.
void forgetEarlierWalk(ListWalk& walk);

// The line whose download was put in place last: a system file's record,
// read a second time, puts that file (and only that one) into the system
// folder.
void rememberInstalledDownload(ListWalk& walk, int lineStart);
