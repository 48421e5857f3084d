#include "engine/version_check.h"

#include "core/install_state.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// The file version of the fixed block at the root of the version resource.
bool readVersionText(const char* file, char text[64])
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0)
        return false;
    // Version blocks are small; a file claiming more is treated as having none.
    static const DWORD maxVersionInfo = 64 * 1024;
    if (size > maxVersionInfo)
        return false;
    BYTE* block = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (block == nullptr)
        return false;
    bool found = false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (GetFileVersionInfoA(file, 0, size, block)
        && VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed != nullptr
        && fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        _snprintf(text, 64, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        text[63] = '\0';
        found = true;
    }
    HeapFree(GetProcessHeap(), 0, block);
    return found;
}

} // namespace

int checkInstalledVersion(const char* file, const char* version, int size)
{
    if (installState.forceAll)
        return -1;
    char installed[64];
    if (!readVersionText(file, installed))
        return -1;
    const int order = lstrcmpA(installed, version);
    if (order != 0)
        return order;
    if (strchr(file, '\\') == nullptr)
        return 0;   // a system file by its bare name: the size is not compared
    struct _stat status;
    if (_stat(file, &status) == 0 && status.st_size == size)
        return 0;
    return -1;
}
