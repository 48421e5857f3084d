#include "engine/content_check.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/private_messages.h"
#include "engine/check_provider.h"
#include "engine/list_check.h"
#include "engine/vendor_key.h"
#include "win32/background_file_hash.h"
#include "win32/file_ownership.h"
#include "win32/scoped_handle.h"

#include <string.h>

namespace {

// One hash at a time: of the download under way, or of a file in place.
BackgroundFileHash hash;
char hashedPath[pathSize] = "";

bool startWholeHash(const char* path, BackgroundFileHash::FileTest test = nullptr)
{
    const CryptProvider* checks = checkProvider();
    return checks != nullptr && copyBounded(hashedPath, sizeof hashedPath, path)
        && hash.startWhole(*checks, CALG_SHA_256, path, test);
}

bool isHashing(const char* path)
{
    return hash.running() && strcmp(hashedPath, path) == 0;
}

// The hash under way against digest, or Pending until its continue command.
// file, when given, takes the file open as it was hashed.
ContentCheck hashOutcome(HWND dialog, const ComponentDigest& digest, ScopedHandle* file = nullptr)
{
    if (hash.notifyAtEnd(dialog, WM_COMMAND, MAKEWPARAM(CMD_CONTINUE, 0), 0))
        return ContentCheck::Pending;
    unsigned char actual[digestSize];
    const bool hashed = hash.result(actual, digestSize, file);
    return hashed && memcmp(actual, digest.bytes, digestSize) == 0 ? ContentCheck::Accepted
                                                                    : ContentCheck::Mismatch;
}

} // namespace

bool contentChecksAvailable()
{
    return checkProvider() != nullptr;
}

void followDownload(const char* path)
{
    const CryptProvider* checks = checkProvider();
    hash.stop();
    if (checks != nullptr && copyBounded(hashedPath, sizeof hashedPath, path))
        hash.startGrowing(*checks, CALG_SHA_256, path);
}

void stopFollowing()
{
    hash.stop();
}

ContentCheck checkComponentDownload(HWND dialog, const char* path, DWORD length, const ComponentDigest* digest)
{
    if (digest == nullptr)
        return hasVendorKey() ? ContentCheck::Mismatch : ContentCheck::Accepted;
    if (!digest->valid)
        return ContentCheck::Mismatch;
    // Without a provider a key-less build cannot honour the digest and takes
    // the file as it always did; a build with the key never gets this far.
    if (checkProvider() == nullptr)
        return hasVendorKey() ? ContentCheck::Uncheckable : ContentCheck::Accepted;
    if (isHashing(path))
        hash.complete(length);
    else if (!startWholeHash(path))
        return ContentCheck::Mismatch;
    return hashOutcome(dialog, *digest);
}

ContentCheck checkFileInPlace(HWND dialog, const char* path, const ComponentDigest* digest, InPlace place,
                              HandleList& held)
{
    if (digest == nullptr || !digest->valid)
        return ContentCheck::Mismatch;
    if (checkProvider() == nullptr)
        return ContentCheck::Uncheckable;
    if (!isHashing(path) && !startWholeHash(path, place == InPlace::Contents ? nullptr : isAdministratorsFile))
        return ContentCheck::Mismatch;
    ScopedHandle file;
    const ContentCheck check = hashOutcome(dialog, *digest, &file);
    // A file that cannot be kept from others is fetched afresh instead.
    if (check == ContentCheck::Accepted && place == InPlace::Kept && !held.add(file.release()))
        return ContentCheck::Mismatch;
    return check;
}

void stopContentChecks()
{
    hash.stop();
    stopListCheck();
}
