// The platform calls the installer's list walk needs for one current
// component, timed over many files under the same Wine:
//
//   record_calls FOLDER COUNT
//     for FOLDER\c0000.dll .. c<COUNT-1>.dll: GetFileVersionInfoA into a
//     64 KiB buffer (one call, as the installer reads it),
//     VerQueryValueA("\\") and the file's size (GetFileAttributesExA).
//
// Prints "files=N ms=T" (the loop alone, measured inside the program) and
// exits 0, or names the file whose call failed and exits 1.

#include <windows.h>

#include "bench/bench_clock.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

// The installer's buffer for a version resource.
const DWORD versionInfoCapacity = 64 * 1024;
const int pathCapacity = MAX_PATH;
BYTE versionInfo[versionInfoCapacity];

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
    const int count = argc == 3 ? atoi(argv[2]) : -1;
    if (count < 0) {
        fprintf(stderr, "usage: record_calls FOLDER COUNT\n");
        return 2;
    }
    char path[pathCapacity];
    const double started = milliseconds();
    for (int i = 0; i < count; ++i) {
        const int length = _snprintf(path, sizeof path, "%s\\c%04d.dll", argv[1], i);
        if (length < 0 || length >= pathCapacity || !recordCalls(path)) {
            printf("failed at c%04d.dll\n", i);
            return 1;
        }
    }
    printf("files=%d ms=%.3f\n", count, milliseconds() - started);
    return 0;
}
