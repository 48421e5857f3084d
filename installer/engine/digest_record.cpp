#include "engine/digest_record.h"

#include "common/bounded_copy.h"
#include "engine/list_line_reader.h"

#include <string.h>

namespace {

bool held = false;
char heldFile[listLineSize];
ComponentDigest heldDigest;
// The line of the record that took it; -1 before one did.
int takenBy = -1;
// What takeDigestFor hands out; stays valid until the next call.
ComponentDigest takenDigest;

} // namespace

void noteDigestRecord(const ListRecord& record)
{
    held = record.fieldCount >= 2 && copyBounded(heldFile, sizeof heldFile, record.fields[0]);
    takenBy = -1;
    if (held)
        heldDigest.valid = parseHexDigest(record.fields[1], heldDigest.bytes);
}

void forgetDigestRecord()
{
    held = false;
}

const ComponentDigest* takeDigestFor(const char* file, int lineStart)
{
    const bool matches = held && strcmp(heldFile, file) == 0 && (takenBy < 0 || takenBy == lineStart);
    if (!matches) {
        held = false;
        return nullptr;
    }
    takenBy = lineStart;
    takenDigest = heldDigest;
    return &takenDigest;
}
