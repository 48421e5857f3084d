// The platform calls the installer's list walk needs for one current
// component, timed over many files under the same Wine:
//
//   record_calls FOLDER COUNT [hash]
//     for FOLDER\c0000.dll .. c<COUNT-1>.dll: GetFileVersionInfoA into a
//     64 KiB buffer (one call, as the installer reads it),
//     VerQueryValueA("\\") and the file's size (GetFileAttributesExA);
//     with "hash" also the file's SHA-256 through CryptoAPI, read in the
//     installer's 64 KiB blocks (what the key-built installer adds for a
//     current file).
//
// Prints "files=N ms=T" (the loop alone, measured inside the program) and
// exits 0, or names the file whose call failed and exits 1.

#include <windows.h>
#include <wincrypt.h>

#include "bench/bench_clock.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The installer's buffer for a version resource.
const DWORD versionInfoCapacity = 64 * 1024;
const int pathCapacity = MAX_PATH;
BYTE versionInfo[versionInfoCapacity];
const DWORD hashBlockSize = 64 * 1024;
BYTE hashBlock[hashBlockSize];
const DWORD sha256Size = 32;

// The file's SHA-256 from a provider acquired once, as the installer does.
bool hashCalls(HCRYPTPROV provider, const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    HCRYPTHASH hash = 0;
    bool hashed = CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) != FALSE;
    DWORD read = 0;
    while (hashed && ReadFile(file, hashBlock, hashBlockSize, &read, nullptr) && read > 0)
        hashed = CryptHashData(hash, hashBlock, read, 0) != FALSE;
    BYTE value[sha256Size];
    DWORD valueSize = sizeof value;
    hashed = hashed && CryptGetHashParam(hash, HP_HASHVAL, value, &valueSize, 0);
    if (hash != 0)
        CryptDestroyHash(hash);
    CloseHandle(file);
    return hashed;
}

// The calls for one file; false when one fails or finds no fixed version.
bool recordCalls(const char* path)
{
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    return GetFileVersionInfoA(path, 0, versionInfoCapacity, versionInfo)
        && VerQueryValueA(versionInfo, "\\", reinterpret_cast<void**>(&fixed), &fixedSize)
        && fixed != nullptr && fixedSize >= sizeof(VS_FIXEDFILEINFO)
        && GetFileAttributesExA(path, GetFileExInfoStandard, &attributes);
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    const bool hashToo = argc == 4 && strcmp(argv[3], "hash") == 0;
    const int count = argc == 3 || hashToo ? atoi(argv[2]) : -1;
    if (count < 0) {
        fprintf(stderr, "usage: record_calls FOLDER COUNT [hash]\n");
        return 2;
    }
    HCRYPTPROV provider = 0;
    if (hashToo && !CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        printf("no SHA-256 provider\n");
        return 1;
    }
    char path[pathCapacity];
    const double started = milliseconds();
    for (int i = 0; i < count; ++i) {
        const int length = _snprintf(path, sizeof path, "%s\\c%04d.dll", argv[1], i);
        if (length < 0 || length >= pathCapacity || !recordCalls(path)
            || (hashToo && !hashCalls(provider, path))) {
            printf("failed at c%04d.dll\n", i);
            return 1;
        }
    }
    printf("files=%d ms=%.3f\n", count, milliseconds() - started);
    return 0;
}
