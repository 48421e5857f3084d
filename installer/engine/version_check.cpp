#include "engine/version_check.h"

#include "common/bounded_format.h"
#include "core/install_state.h"
#include "win32/version_info.h"

#include <string.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

// Room for the root block of any version resource, which is all that is read:
// the platform cuts a longer copy to the buffer, and the root block leads it.
const DWORD versionInfoCapacity = 64 * 1024;
// A version as text: "a.b.c.d".
const int versionTextSize = 64;
// Loaded once a run, at the first version read.
VersionInfoLibrary versionLibrary;

// The file version of the fixed block at the root of the version resource.
// One read straight into the fixed buffer: asking for the size first would
// open and map the file a second time.
bool readVersionText(const char* file, char text[versionTextSize])
{
    BYTE versionInfo[versionInfoCapacity];
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!versionLibrary.getFileVersionInfo(file, versionInfoCapacity, versionInfo)
        || !versionLibrary.queryValue(versionInfo, "\\", reinterpret_cast<void**>(&fixed), &fixedSize)
        || fixed == nullptr
        || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    // Four numbers of at most five digits always fit.
    return formatBounded(text, versionTextSize, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                         LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                         LOWORD(fixed->dwFileVersionLS));
}

} // namespace

int checkInstalledVersion(const char* file, const char* version, int size)
{
    if (installState.forceAll)
        return -1;
    char installed[versionTextSize];
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
