#include "win32/library_search.h"

#include "win32/windows_version.h"

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; older headers lack it.
const DWORD searchSystemFolder = 0x00000800;

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);

// Looked up at run time: a static import would keep the program from loading
// on every system without it. kernel32 is always loaded.
FARPROC kernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel == nullptr ? nullptr : GetProcAddress(kernel, name);
}

} // namespace

bool restrictLibrarySearchToSystemFolder()
{
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(kernelFunction("SetDefaultDllDirectories")));
    return setDefaultDllDirectories != nullptr && setDefaultDllDirectories(searchSystemFolder) != FALSE;
}

DWORD systemLibraryLoadFlags()
{
    // The search flags came with AddDllDirectory (KB2533623, Windows 8).
    if (kernelFunction("AddDllDirectory") != nullptr)
        return searchSystemFolder;
    return isNineXFamily() ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH;
}
