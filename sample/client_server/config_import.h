#pragma once
#include <windows.h>

// Takes an INI-formatted configuration file over into the client's own
// configuration: every key of every section is written under the same section
// and key, replacing a value already there. Lines outside a section and lines
// without "=" are not taken over. Returns S_OK, or the reason nothing was
// taken (the file missing, a folder, a value that could not be written).
HRESULT importConfigFile(const char* sourcePath, const char* targetPath);
