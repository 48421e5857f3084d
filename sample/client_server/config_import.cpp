#include "config_import.h"

#include "common/bounded_copy.h"

#include <string.h>

namespace {

// The largest section the profile functions of the 9x family hand out. The
// buffers live on the stack: objects of an apartment-threaded server may be
// called from several apartments at once.
enum { sectionCapacity = 32767, namesCapacity = 8192, keyCapacity = 512 };

HRESULT importSection(const char* section, const char* sourcePath, const char* targetPath)
{
    char entries[sectionCapacity];
    GetPrivateProfileSectionA(section, entries, sizeof entries, sourcePath);
    // The entries come as "key=value" texts, each terminated, the list by an empty one.
    for (const char* entry = entries; *entry != '\0'; entry += strlen(entry) + 1) {
        const char* equals = strchr(entry, '=');
        if (entry[0] == ';' || equals == nullptr || equals == entry)
            continue;
        char key[keyCapacity];
        if (!copyBoundedPrefix(key, sizeof key, entry, static_cast<size_t>(equals - entry)))
            continue;
        if (!WritePrivateProfileStringA(section, key, equals + 1, targetPath))
            return HRESULT_FROM_WIN32(GetLastError());
    }
    return S_OK;
}

} // namespace

HRESULT importConfigFile(const char* sourcePath, const char* targetPath)
{
    DWORD attributes = GetFileAttributesA(sourcePath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return E_INVALIDARG;

    char names[namesCapacity];
    GetPrivateProfileSectionNamesA(names, sizeof names, sourcePath);
    for (const char* name = names; *name != '\0'; name += strlen(name) + 1) {
        HRESULT result = importSection(name, sourcePath, targetPath);
        if (FAILED(result))
            return result;
    }
    return S_OK;
}
