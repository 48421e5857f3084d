#include "engine/component_hash.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/private_messages.h"
#include "engine/check_provider.h"

#include <string.h>

namespace {

BackgroundFileHash hash;
char hashedPath[pathSize] = "";
// The largest file hashed on the window thread: about 2 ms of SHA-256
// under Wine, well inside a slice of the walk.
const DWORD hashedHereLimit = 256 * 1024;

bool startWholeHash(const char* path, BackgroundFileHash::FileTest test)
{
    const CryptProvider* checks = checkProvider();
    return checks != nullptr && copyBounded(hashedPath, sizeof hashedPath, path)
        && hash.startWhole(*checks, CALG_SHA_256, path, test);
}

bool isHashing(const char* path)
{
    return hash.running() && strcmp(hashedPath, path) == 0;
}

} // namespace

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

bool hashDownloaded(const char* path, DWORD length)
{
    if (!isHashing(path))
        return startWholeHash(path, nullptr);
    hash.complete(length);
    return true;
}

bool hashFile(const char* path, BackgroundFileHash::FileTest test)
{
    if (isHashing(path))
        return true;
    const CryptProvider* checks = checkProvider();
    if (checks == nullptr)
        return false;
    // A small file is hashed at once: a few milliseconds at most, far less
    // than the thread a large one gets.
    switch (hash.hashWholeHere(*checks, CALG_SHA_256, path, test, hashedHereLimit)) {
    case BackgroundFileHash::Hashed:
        return true;
    case BackgroundFileHash::TooLarge:
        return startWholeHash(path, test);
    default:
        return false;
    }
}

ContentCheck hashOutcome(HWND dialog, const ComponentDigest& digest, ScopedHandle* file)
{
    if (hash.notifyAtEnd(dialog, WM_COMMAND, MAKEWPARAM(CMD_CONTINUE, 0), 0))
        return ContentCheck::Pending;
    unsigned char actual[digestSize];
    const bool hashed = hash.result(actual, digestSize, file);
    return hashed && memcmp(actual, digest.bytes, digestSize) == 0 ? ContentCheck::Accepted
                                                                    : ContentCheck::Mismatch;
}
