#include "win32/scoped_library.h"

#include "common/bounded_copy.h"
#include "win32/library_search.h"

bool ScopedLibrary::loadFromSystemFolder(const char* fileName)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 >= MAX_PATH)
        return false;
    path[length] = '\\';
    if (!copyBounded(path + length + 1, MAX_PATH - length - 1, fileName))
        return false;
    return load(path, systemLibraryLoadFlags());
}

bool ScopedLibrary::load(const char* path, DWORD flags)
{
    reset();
    module_ = LoadLibraryExA(path, nullptr, flags);
    return module_ != nullptr;
}

void ScopedLibrary::reset()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
    module_ = nullptr;
}
