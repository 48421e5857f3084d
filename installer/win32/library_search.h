#pragma once
#include <windows.h>

// Restricts the search for libraries loaded by bare name, by the program or
// by system libraries on its behalf, to the system folder. Where the platform
// cannot (before Windows 8 without update KB2533623, the 9x family) nothing
// changes; returns whether the search is restricted.
bool restrictLibrarySearchToSystemFolder();

// LoadLibraryExA's flags for a library named by its full path in the system
// folder, so that what it imports is looked for there too rather than beside
// the program: the system folder only where the platform has the search
// flags, else the library's own folder first (the NT family); nothing on the
// 9x family, which knows neither.
DWORD systemLibraryLoadFlags();
