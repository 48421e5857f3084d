#include "engine/digest_record.h"

#include "common/bounded_copy.h"

#include <string.h>

void noteDigestRecord(HeldDigest& digests, const ListRecord& record)
{
    digests.held = record.fieldCount >= 2 && copyBounded(digests.file, sizeof digests.file, record.fields[0]);
    digests.takenBy = -1;
    if (digests.held)
        digests.digest.valid = parseHexDigest(record.fields[1], digests.digest.bytes);
}

void forgetDigestRecord(HeldDigest& digests)
{
    digests.held = false;
}

const ComponentDigest* takeDigestFor(HeldDigest& digests, const char* file, int lineStart)
{
    const bool matches = digests.held && strcmp(digests.file, file) == 0
        && (digests.takenBy < 0 || digests.takenBy == lineStart);
    if (!matches) {
        digests.held = false;
        return nullptr;
    }
    digests.takenBy = lineStart;
    digests.taken = digests.digest;
    return &digests.taken;
}
