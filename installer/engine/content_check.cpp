#include "engine/content_check.h"

#include "engine/check_provider.h"
#include "engine/component_hash.h"
#include "engine/list_check.h"
#include "engine/vendor_key.h"
#include "win32/file_ownership.h"
#include "win32/scoped_handle.h"

bool contentChecksAvailable()
{
    return checkProvider() != nullptr;
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
    if (!hashDownloaded(path, length))
        return ContentCheck::Mismatch;
    return hashOutcome(dialog, *digest, nullptr);
}

ContentCheck checkFileInPlace(HWND dialog, const char* path, const ComponentDigest* digest, InPlace place,
                              HandleList& held)
{
    if (digest == nullptr || !digest->valid)
        return ContentCheck::Mismatch;
    if (checkProvider() == nullptr)
        return ContentCheck::Uncheckable;
    if (!hashFile(path, place == InPlace::Contents ? nullptr : isAdministratorsFile))
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
    stopFollowing();
    stopListCheck();
}
