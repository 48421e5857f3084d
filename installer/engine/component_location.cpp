#include "engine/component_location.h"

#include <string.h>

#include "common/bounded_copy.h"

bool buildComponentUrl(char url[componentTextSize], const char* baseUrl, const char* file)
{
    bool fits = copyBounded(url, componentTextSize, baseUrl);
    size_t length = strlen(baseUrl);
    if (length == 0 || baseUrl[length - 1] != '/')
        fits = appendBounded(url, componentTextSize, "/") && fits;
    fits = appendBounded(url, componentTextSize, file) && fits;
    return fits;
}

bool buildComponentPath(char path[componentTextSize], const char* installFolder,
                        const char* folder, const char* file)
{
    bool fits = copyBounded(path, componentTextSize, installFolder);
    if (folder != nullptr && folder[0] != '\0') {
        fits = appendBounded(path, componentTextSize, "\\") && fits;
        fits = appendBounded(path, componentTextSize, folder) && fits;
    }
    fits = appendBounded(path, componentTextSize, "\\") && fits;
    fits = appendBounded(path, componentTextSize, file) && fits;
    return fits;
}

namespace {

// A component that Windows would resolve to the parent folder.
bool isParentComponent(const char* begin, const char* end)
{
    bool hasDoubleDot = false;
    for (const char* p = begin; p < end; ++p) {
        if (*p != '.' && *p != ' ')
            return false;
        if (*p == '.' && p + 1 < end && p[1] == '.')
            hasDoubleDot = true;
    }
    return hasDoubleDot;
}

}  // namespace

bool isSafeRelativePath(const char* text)
{
    if (text[0] == '\0' || text[0] == '\\' || text[0] == '/')
        return false;
    if (strchr(text, ':') != nullptr)
        return false;
    const char* begin = text;
    for (;;) {
        const char* end = begin;
        while (*end != '\0' && *end != '\\' && *end != '/')
            ++end;
        if (isParentComponent(begin, end))
            return false;
        if (*end == '\0')
            return true;
        begin = end + 1;
    }
}
