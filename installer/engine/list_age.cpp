#include "engine/list_age.h"

#include "common/bounded_format.h"
#include "common/decimal.h"

#include <string.h>

bool isOlderList(uint32_t serial, const unsigned char digest[digestSize], const AcceptedList& recorded,
                 const AcceptedList& kept)
{
    uint32_t highest = 0;
    if (recorded.known)
        highest = recorded.serial;
    if (kept.known && kept.serial > highest)
        highest = kept.serial;
    if (serial != highest)
        return serial < highest;
    if (serial == 0)
        return false;
    // The list accepted with this serial: the administrators' record speaks
    // for it first; the kept list only where that record keeps no digest.
    const AcceptedList* same = nullptr;
    if (recorded.known && recorded.serial == serial && recorded.hasDigest)
        same = &recorded;
    else if (kept.known && kept.serial == serial && kept.hasDigest)
        same = &kept;
    return same != nullptr && memcmp(same->digest, digest, digestSize) != 0;
}

bool formatRecordedList(uint32_t serial, const unsigned char digest[digestSize], char text[recordedListTextSize])
{
    char hex[digestTextLength + 1];
    formatHexDigest(digest, hex);
    return formatBounded(text, recordedListTextSize, "%lu,%s", static_cast<unsigned long>(serial), hex);
}

bool parseRecordedList(const char* text, uint32_t* serial, unsigned char digest[digestSize])
{
    const char* comma = strchr(text, ',');
    char number[recordedListTextSize];
    if (comma == nullptr || comma == text || comma - text >= recordedListTextSize)
        return false;
    memcpy(number, text, static_cast<size_t>(comma - text));
    number[comma - text] = '\0';
    return parseUnsignedDecimal(number, serial) && parseHexDigest(comma + 1, digest);
}
