#include "win32/version_info.h"

bool VersionInfoLibrary::ensureLoaded()
{
    if (getFileVersionInfo_ != nullptr && queryValue_ != nullptr)
        return true;
    if (!library_.loaded() && !library_.loadFromSystemFolder("version.dll"))
        return false;
    return library_.find("GetFileVersionInfoA", getFileVersionInfo_) && library_.find("VerQueryValueA", queryValue_);
}

bool VersionInfoLibrary::getFileVersionInfo(const char* file, DWORD capacity, void* data)
{
    return ensureLoaded() && getFileVersionInfo_(file, 0, capacity, data) != FALSE;
}

bool VersionInfoLibrary::queryValue(const void* block, const char* subBlock, void** value, UINT* size)
{
    return ensureLoaded() && queryValue_(block, subBlock, value, size) != FALSE;
}
