#include "engine/version_check.h"

#include "core/install_state.h"
#include "win32/version_info.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// Room for the root block of any version resource, which is all that is read:
// the platform cuts a longer copy to the buffer, and the root block leads it.
const DWORD versionInfoCapacity = 64 * 1024;
BYTE versionInfo[versionInfoCapacity];
VersionInfoLibrary versionLibrary;

// The file version of the fixed block at the root of the version resource.
// One read straight into the fixed buffer: asking for the size first would
// open and map the file a second time.
bool readVersionText(const char* file, char text[64])
{
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!versionLibrary.getFileVersionInfo(file, versionInfoCapacity, versionInfo)
        || !versionLibrary.queryValue(versionInfo, "\\", reinterpret_cast<void**>(&fixed), &fixedSize)
        || fixed == nullptr
        || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    _snprintf(text, 64, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    text[63] = '\0';
    return true;
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
