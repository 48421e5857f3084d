#include "startup/entry.h"
#include "win32/library_search.h"

namespace {

// Run by the loader once the imported system libraries are in place, before
// the runtime's own start-up and before any static constructor, whatever its
// priority: from here on no library is looked for beside the program, which
// may lie in a folder where anyone can put files, such as a downloads folder.
void NTAPI restrictLibrarySearch(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        restrictLibrarySearchToSystemFolder();
}

} // namespace

// The loader calls the entries of .CRT$XL* in name order; the runtime's own
// come after B.
extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK restrictLibrarySearchCallback =
    restrictLibrarySearch;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int showCommand)
{
    return runInstaller(instance, argumentText, showCommand);
}
