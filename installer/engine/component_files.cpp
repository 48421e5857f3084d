#include "engine/component_files.h"

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "engine/component_location.h"
#include "engine/installed_access.h"

#include <string.h>

namespace {

// The folder the file goes into, the text before the last "\", exists.
bool parentFolderExists(const char* path)
{
    const char* last = strrchr(path, '\\');
    if (last == nullptr || last == path)
        return false;
    char parent[pathSize];
    const int length = static_cast<int>(last - path);
    if (length >= static_cast<int>(sizeof parent))
        return false;
    memcpy(parent, path, length);
    parent[length] = '\0';
    return GetFileAttributesA(parent) != INVALID_FILE_ATTRIBUTES;
}

// True when the first length characters of path are the installation folder
// or a folder above it.
bool leadsToInstallFolder(const char* path, size_t length)
{
    const char* folder = installState.installFolder;
    return strlen(folder) >= length && startsWithIgnoreCase(folder, path, length)
        && (folder[length] == '\0' || folder[length] == '\\');
}

} // namespace

bool componentUrl(char url[pathSize], const char* file)
{
    return buildComponentUrl(url, installState.baseUrl, file);
}

bool componentPath(char path[pathSize], const char* file, const char* folder)
{
    // Lists name the installation folder itself with a folder field of "."
    // (the shortcut to a file there needs a folder field): that one is the
    // installation folder, and "." anywhere else is refused.
    if (folder != nullptr && strcmp(folder, ".") == 0)
        folder = nullptr;
    if (!isSafeRelativePath(file))
        return false;
    if (folder != nullptr && folder[0] != '\0' && !isSafeRelativePath(folder))
        return false;
    return buildComponentPath(path, installState.installFolder, folder, file);
}

void createParentFolders(const char* path)
{
    // Every folder above an existing one exists.
    if (parentFolderExists(path))
        return;
    char prefix[pathSize];
    // The first folder made on the way to the installation folder is the top
    // of the installation; the ones below it inherit its list.
    bool madeOne = false;
    for (int i = 0; path[i] != '\0' && i < static_cast<int>(sizeof prefix); ++i) {
        if (path[i] == '\\' && i > 0) {
            prefix[i] = '\0';
            // A drive ("C:") or a UNC server needs no creating; the attempt fails harmlessly.
            if (GetFileAttributesA(prefix) == INVALID_FILE_ATTRIBUTES) {
                if (!madeOne && leadsToInstallFolder(prefix, i))
                    madeOne = createTopFolder(prefix);
                else
                    madeOne = CreateDirectoryA(prefix, nullptr) || madeOne;
            }
        }
        prefix[i] = path[i];
    }
}

bool clientFolderFile(char path[pathSize], const char* name)
{
    return copyBounded(path, pathSize, installState.installFolder) && appendBounded(path, pathSize, "\\client\\")
        && appendBounded(path, pathSize, name);
}
