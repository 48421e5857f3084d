#pragma once
#include "engine/content_check.h"
#include "engine/list_record.h"

// A D record ("D,file,digest") gives the SHA-256 of the component that the
// next I or M record of the same file field fetches. Older installers ignore
// the line.

// Remembers the record until the next I or M record.
void noteDigestRecord(const ListRecord& record);

// Forgets the last D record: a record other than I or M came between.
void forgetDigestRecord();

// The digest the last D record gave, when it named file; nullptr otherwise.
// Either way it is forgotten: a digest serves the record right behind it.
const ComponentDigest* takeDigestFor(const char* file);
