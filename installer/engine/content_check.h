#pragma once
#include "common/hex_digest.h"

#include <windows.h>

// What the installer checks of what it fetched and of what it finds in place:
// the vendor's signature and serial of the component list (an installer built
// with the vendor's key), and the digests the list gives for components.

enum class ContentCheck {
    Accepted,
    NotSigned,     // the list carries no valid signature of the vendor
    Older,         // the list's serial is below that of the kept one
    Uncheckable,   // the system has no provider for the checks
    Mismatch,      // a component differs from its digest, or the list gives it none
};

// The digest a D record of the list gives for a component's file.
struct ComponentDigest {
    bool valid;                       // false for a digest text that is no digest
    unsigned char bytes[digestSize];
};

// Whether the system's AES provider (SHA-256, RSA signatures) is there.
bool contentChecksAvailable();

// The downloaded list at path, before it replaces the kept one at keptPath.
// A build without the vendor's key accepts any list.
ContentCheck checkListDownload(const char* path, const char* keptPath);

// The list through the handle the walk reads it by, once it is in place: it
// must still be the list that checkListDownload accepted.
ContentCheck checkHeldList(HANDLE list);

// Starts hashing a download at path as it arrives, on a thread of its own, so
// that its check waits only for the last bytes; stopFollowing forgets it.
void followDownload(const char* path);
void stopFollowing();

// A downloaded component of length bytes against the digest its record was
// given (nullptr when the list gives none).
ContentCheck checkComponentDownload(const char* path, DWORD length, const ComponentDigest* digest);

// Whether the file at path matches the digest; false without a digest.
bool matchesDigest(const char* path, const ComponentDigest* digest);
