#pragma once
#include <stddef.h>

// The sample client's own folder is the folder of this DLL: its
// configuration, the files it imports and its journal live there.

bool clientFolder(char* folder, size_t capacity);
// The folder, a backslash and the name; false when it does not fit.
bool clientFilePath(const char* name, char* path, size_t capacity);
