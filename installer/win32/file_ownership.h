#pragma once
#include <windows.h>

// Whether an open file (opened with READ_CONTROL, not following a reparse
// point) is one that only the machine's administrators could have put where
// it is: a file of one name, no reparse point, and owned by the system, the
// Administrators group, the installer service, or the running process's
// own user or default owner (what it creates itself). Where the system keeps
// no owners (the 9x family) only the names count.
bool isAdministratorsFile(HANDLE file);
