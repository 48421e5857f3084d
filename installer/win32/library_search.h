#pragma once

// Restricts the search for libraries loaded by bare name, by the program or
// by system libraries on its behalf, to the system folder. Where the platform
// cannot (before Windows 8 without update KB2533623, the 9x family) nothing
// changes; returns whether the search is restricted.
bool restrictLibrarySearchToSystemFolder();
