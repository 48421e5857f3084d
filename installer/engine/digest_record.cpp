#include "engine/digest_record.h"

#include "common/bounded_copy.h"
#include "engine/list_line_reader.h"

#include <string.h>

namespace {

bool held = false;
char heldFile[listLineSize];
ComponentDigest heldDigest;
// What takeDigestFor hands out; stays valid until the next call.
ComponentDigest takenDigest;

} // namespace

void noteDigestRecord(const ListRecord& record)
{
    held = record.fieldCount >= 2 && copyBounded(heldFile, sizeof heldFile, record.fields[0]);
    if (held)
        heldDigest.valid = parseHexDigest(record.fields[1], heldDigest.bytes);
}

void forgetDigestRecord()
{
    held = false;
}

const ComponentDigest* takeDigestFor(const char* file)
{
    const bool matches = held && strcmp(heldFile, file) == 0;
    held = false;
    if (!matches)
        return nullptr;
    takenDigest = heldDigest;
    return &takenDigest;
}
