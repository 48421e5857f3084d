// A console program of the tests and the benchmark: what the platform calls
// of one current list record cost under Wine, without the installer around
// them. It reads the same files the installer checks, one kind of query at
// a time, and prints the median cost per file.
//
//   record_cost FOLDER COUNT [ROUNDS]
//     Files FOLDER\c0000.dll to FOLDER\c<COUNT-1>.dll (the benchmark's list
//     of current components names them so). Every round times each kind
//     once over all the files, the kinds in turn; ROUNDS defaults to 5.
//     One line per kind: "KIND us=MICROSECONDS" per file, the median of the
//     rounds:
//       version   GetFileVersionInfoA into a 64 KiB buffer and VerQueryValueA
//                 of the root block (the version a current record must read)
//       stat      _stat (the size as the C runtime reads it)
//       attrex    GetFileAttributesExA (the size from one attribute query)
//       folders   GetFileAttributesA of each folder above the file, as a
//                 walk that makes sure of every parent folder asks
//       platform  version and attrex: a current record's platform calls
//                 and nothing more
//     Exit 0 when every file could be read, 1 when one could not, 2 on bad
//     usage.

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace {

const int nameSize = MAX_PATH;
const int maxRounds = 99;
const DWORD versionCapacity = 64 * 1024;
BYTE versionBuffer[versionCapacity];

enum Kind { Version, Stat, AttrEx, Folders, Platform, kindCount };
const char* const kindNames[kindCount] = { "version", "stat", "attrex", "folders", "platform" };

double milliseconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool fileName(char name[nameSize], const char* folder, int index)
{
    return snprintf(name, nameSize, "%s\\c%04d.dll", folder, index) < nameSize;
}

bool readVersion(const char* name)
{
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    return GetFileVersionInfoA(name, 0, versionCapacity, versionBuffer)
        && VerQueryValueA(versionBuffer, "\\", reinterpret_cast<void**>(&fixed), &size) && fixed != nullptr;
}

bool readSizeByStat(const char* name)
{
    struct _stat status;
    return _stat(name, &status) == 0 && status.st_size > 0;
}

bool readSizeByAttributes(const char* name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(name, GetFileExInfoStandard, &data) && data.nFileSizeLow > 0;
}

bool lookAtFolders(const char* name)
{
    char prefix[nameSize];
    bool all = true;
    for (int i = 0; name[i] != '\0' && i < nameSize; ++i) {
        if (name[i] == '\\' && i > 0) {
            prefix[i] = '\0';
            // A drive ("C:") is no folder to look at; the installer asks anyway.
            if (GetFileAttributesA(prefix) == INVALID_FILE_ATTRIBUTES && i > 2)
                all = false;
        }
        prefix[i] = name[i];
    }
    return all;
}

bool query(Kind kind, const char* name)
{
    switch (kind) {
    case Version:
        return readVersion(name);
    case Stat:
        return readSizeByStat(name);
    case AttrEx:
        return readSizeByAttributes(name);
    case Folders:
        return lookAtFolders(name);
    case Platform:
        return readVersion(name) && readSizeByAttributes(name);
    default:
        return false;
    }
}

int compareDoubles(const void* a, const void* b)
{
    const double x = *static_cast<const double*>(a);
    const double y = *static_cast<const double*>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: record_cost FOLDER COUNT [ROUNDS]\n");
        return 2;
    }
    const char* folder = argv[1];
    const int count = atoi(argv[2]);
    const int rounds = argc > 3 ? atoi(argv[3]) : 5;
    if (count <= 0 || rounds <= 0 || rounds > maxRounds) {
        fprintf(stderr, "record_cost: COUNT must be positive and ROUNDS from 1 to %d\n", maxRounds);
        return 2;
    }
    static double samples[kindCount][maxRounds];
    for (int round = 0; round < rounds; ++round) {
        for (int kind = 0; kind < kindCount; ++kind) {
            const double started = milliseconds();
            for (int i = 0; i < count; ++i) {
                char name[nameSize];
                if (!fileName(name, folder, i) || !query(static_cast<Kind>(kind), name)) {
                    fprintf(stderr, "record_cost: %s failed for file %d\n", kindNames[kind], i);
                    return 1;
                }
            }
            samples[kind][round] = (milliseconds() - started) * 1000.0 / count;
        }
    }
    for (int kind = 0; kind < kindCount; ++kind) {
        qsort(samples[kind], rounds, sizeof samples[kind][0], compareDoubles);
        printf("%s us=%.1f\n", kindNames[kind], samples[kind][rounds / 2]);
    }
    return 0;
}
