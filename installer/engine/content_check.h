#pragma once
#include "common/hex_digest.h"
#include "win32/handle_list.h"

#include <windows.h>

// What the installer checks of what it fetched and of what it finds in place
// (the hashes themselves: engine/component_hash.h):
// the vendor's signature and serial of the component list (an installer built
// with the vendor's key; engine/list_check.h), and the digests the list gives
// for components. Every hash is taken on a thread of its own, so that a large
// file never holds up the dialog: a check that is still running answers
// Pending, a continue command comes to the dialog when it has ended, and the
// same call then gives the outcome.

enum class ContentCheck {
    Accepted,
    NotSigned,     // the list carries no valid signature of the vendor
    Older,         // the list's serial is below that of the kept one, or the same with other bytes
    Uncheckable,   // the system has no provider for the checks
    Mismatch,      // a component differs from its digest, or the list gives it none
    Pending,       // the check runs; a continue command comes when it has ended
};

// The digest a D record of the list gives for a component's file.
struct ComponentDigest {
    bool valid;                       // false for a digest text that is no digest
    unsigned char bytes[digestSize];
};

// Whether the system's AES provider (SHA-256, RSA signatures) is there.
bool contentChecksAvailable();

// A downloaded component of length bytes against the digest its record was
// given (nullptr when the list gives none).
ContentCheck checkComponentDownload(HWND dialog, const char* path, DWORD length, const ComponentDigest* digest);

// What a check of a file in place asks besides its bytes.
enum class InPlace {
    Contents,   // nothing more: the system folder, which only administrators write
    Owner,      // that only administrators could have put it there: one name, no
                // reparse point, an administrators' owner (anyone may add files
                // to the client folder, and keeps the right to write what he adds)
    Kept,       // as Owner, and an accepted file stays open, so that nobody
                // writes or replaces it, until the walk lets it go: what
                // registers or loads it later is what was checked
};

// A file in place against its record's digest: Mismatch without a digest and
// for a file that cannot be read (a missing one among them) or that fails
// what place asks. A file accepted as Kept goes into held.
ContentCheck checkFileInPlace(HWND dialog, const char* path, const ComponentDigest* digest, InPlace place,
                              HandleList& held);

// Ends every check under way, of components and of the list.
void stopContentChecks();
