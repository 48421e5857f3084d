#pragma once
#include "engine/list_record.h"
#include "engine/walk.h"

// A D record ("D,file,digest") gives the SHA-256 of the component that the
// next I or M record of the same file field fetches. Older installers ignore
// the line.

// Remembers the record until the next I or M record.
void noteDigestRecord(HeldDigest& digests, const ListRecord& record);

// Forgets the last D record: a record other than I or M came between.
void forgetDigestRecord(HeldDigest& digests);

// The digest the last D record gave, when it named file, for the record at
// lineStart; nullptr otherwise. A digest serves the record right behind it:
// that record, read again while it waits for a check or a download, gets it
// again; any other record forgets it.
const ComponentDigest* takeDigestFor(HeldDigest& digests, const char* file, int lineStart);
