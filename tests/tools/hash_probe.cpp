// The installer's file hash on its own: how it hashes a file on the calling
// thread, what it refuses there, and that a file too large for that gets the
// same value from the hash thread.
//
//   hash_probe LIMIT FILE...
//     for each FILE: "FILE here=hashed|too-large|failed value=HEX held=0|1",
//     where value is the SHA-256 the hash gave (from the thread when the
//     file was too large) and held tells that the file, handed over open,
//     could not be opened for writing while the hash held it; then one line
//     "stopped result=0|1" for a value hashed and stopped before its result.
//   A FILE whose name ends in "refused" fails the test before the hash.

#include "win32/background_file_hash.h"
#include "win32/crypt_objects.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const DWORD digestSize = 32;

bool refuseNamedRefused(HANDLE)
{
    return false;
}

bool acceptAll(HANDLE)
{
    return true;
}

bool endsWith(const char* text, const char* end)
{
    const size_t length = strlen(text);
    const size_t endLength = strlen(end);
    return length >= endLength && strcmp(text + length - endLength, end) == 0;
}

// Whether somebody else can open path for writing now.
bool writableByOthers(const char* path)
{
    ScopedHandle other(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    return other.valid();
}

void printValue(const BYTE* value, bool known)
{
    printf(" value=");
    for (DWORD i = 0; known && i < digestSize; ++i)
        printf("%02x", value[i]);
}

void probe(const CryptProvider& provider, const char* path, DWORD limit)
{
    BackgroundFileHash hash;
    const BackgroundFileHash::FileTest test = endsWith(path, "refused") ? refuseNamedRefused : acceptAll;
    const BackgroundFileHash::HereOutcome here = hash.hashWholeHere(provider, CALG_SHA_256, path, test, limit);
    printf("%s here=%s", path, here == BackgroundFileHash::Hashed ? "hashed"
                               : here == BackgroundFileHash::TooLarge ? "too-large" : "failed");
    BYTE value[digestSize];
    ScopedHandle file;
    bool known = false;
    if (here == BackgroundFileHash::Hashed)
        known = hash.result(value, digestSize, &file);
    else if (here == BackgroundFileHash::TooLarge && hash.startWhole(provider, CALG_SHA_256, path, test))
        known = hash.result(value, digestSize, &file);
    printValue(value, known);
    printf(" held=%d\n", known && file.valid() && !writableByOthers(path) ? 1 : 0);
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 3) {
        fprintf(stderr, "usage: hash_probe LIMIT FILE...\n");
        return 2;
    }
    CryptProvider provider;
    if (!provider.acquire(PROV_RSA_AES)) {
        printf("no provider\n");
        return 1;
    }
    const DWORD limit = static_cast<DWORD>(strtoul(argv[1], nullptr, 10));
    for (int i = 2; i < argc; ++i)
        probe(provider, argv[i], limit);

    BackgroundFileHash hash;
    BYTE value[digestSize];
    const bool hashed = hash.hashWholeHere(provider, CALG_SHA_256, argv[2], acceptAll, limit)
        == BackgroundFileHash::Hashed;
    hash.stop();
    printf("stopped hashed=%d result=%d writable=%d\n", hashed ? 1 : 0, hash.result(value, digestSize) ? 1 : 0,
           writableByOthers(argv[2]) ? 1 : 0);
    return 0;
}
