#pragma once
#include "win32/noncopyable.h"
#include "win32/scoped_library.h"

#include <windows.h>

// GetFileVersionInfoA and VerQueryValueA of the system folder's version.dll.
// version.dll is no known library of the system: imported by name, a copy
// beside the program would be loaded instead; here it is loaded by its full
// path on first use and kept until destruction.
class VersionInfoLibrary : NonCopyable {
public:
    VersionInfoLibrary() : getFileVersionInfo_(nullptr), queryValue_(nullptr) {}

    // False when the library or a function could not be had.
    bool getFileVersionInfo(const char* file, DWORD capacity, void* data);
    bool queryValue(const void* block, const char* subBlock, void** value, UINT* size);

private:
    bool ensureLoaded();

    ScopedLibrary library_;
    BOOL(WINAPI* getFileVersionInfo_)(LPCSTR, DWORD, DWORD, LPVOID);
    BOOL(WINAPI* queryValue_)(LPCVOID, LPCSTR, LPVOID*, PUINT);
};
