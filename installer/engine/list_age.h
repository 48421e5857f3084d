#pragma once
#include "common/hex_digest.h"

#include <stdint.h>

// Whether a signed component list is older than the lists accepted on this
// machine before: by its serial, and for the same serial by its bytes, since
// a vendor publishes every list with a serial of its own.

// A list accepted before, as a record of it tells: the serial (known false
// when there is no such record) and the digest of the whole file, when the
// record keeps one.
struct AcceptedList {
    bool known;
    uint32_t serial;
    bool hasDigest;
    unsigned char digest[digestSize];
};

// recorded: what only administrators write (the highest serial accepted and
// its list's digest); kept: the list in the client folder, when it carries
// the vendor's signature. A list without a serial (0) is compared by serial
// alone: lists that carry none cannot be told apart by it.
bool isOlderList(uint32_t serial, const unsigned char digest[digestSize], const AcceptedList& recorded,
                 const AcceptedList& kept);

// How the administrators' record keeps the accepted list's digest: beside
// the serial it goes with, "<serial>,<64 hex digits>", so that a record cut
// between its two values never pairs one list's serial with another's digest.
const int recordedListTextSize = 80;
bool formatRecordedList(uint32_t serial, const unsigned char digest[digestSize], char text[recordedListTextSize]);
// False for any other text.
bool parseRecordedList(const char* text, uint32_t* serial, unsigned char digest[digestSize]);
