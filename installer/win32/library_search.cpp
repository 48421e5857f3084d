#include "win32/library_search.h"

#include <windows.h>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; older headers lack it.
const DWORD searchSystemFolder = 0x00000800;

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);

} // namespace

bool restrictLibrarySearchToSystemFolder()
{
    // Looked up at run time: a static import would keep the program from
    // loading on every system without it. kernel32 is always loaded.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return false;
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    return setDefaultDllDirectories != nullptr && setDefaultDllDirectories(searchSystemFolder) != FALSE;
}
