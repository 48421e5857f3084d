#include "engine/component_location.h"

#include <string.h>

#include "common/ascii.h"
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

// A component made only of dots and blanks: Windows drops trailing dots and
// blanks, so "." and ". ." name the folder itself (a menu folder of "." would
// be the whole programs folder), and ".." or ". .." its parent. An empty
// component is not one: Windows takes "a\\b" as "a\b" and "a\" as "a".
bool isDotComponent(const char* begin, const char* end)
{
    if (begin == end)
        return false;
    for (const char* p = begin; p < end; ++p) {
        if (*p != '.' && *p != ' ')
            return false;
    }
    return true;
}

bool equalsIgnoringCase(const char* begin, const char* end, const char* name)
{
    for (const char* p = begin; p < end; ++p, ++name) {
        if (*name == '\0' || asciiLower(*p) != asciiLower(*name))
            return false;
    }
    return *name == '\0';
}

// Names that Windows opens as devices in any folder, with any extension and
// with blanks before it: "nul", "COM1.dll", "con .txt". The superscript
// digits 1 to 3 of the ANSI code page make port names too, and so does 0.
bool isDeviceComponent(const char* begin, const char* end)
{
    const char* stem = begin;
    while (stem < end && *stem != '.')
        ++stem;
    while (stem > begin && stem[-1] == ' ')
        --stem;
    static const char* const devices[] = { "CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$" };
    for (const char* device : devices) {
        if (equalsIgnoringCase(begin, stem, device))
            return true;
    }
    if (stem - begin != 4)
        return false;
    const char last = begin[3];
    const bool portDigit = (last >= '0' && last <= '9') || last == '\xb9' || last == '\xb2' || last == '\xb3';
    return portDigit && (equalsIgnoringCase(begin, begin + 3, "COM") || equalsIgnoringCase(begin, begin + 3, "LPT"));
}

}  // namespace

bool isSafeRelativePath(const char* text)
{
    // Only the first component must not be empty: a separator there would
    // make the path rooted ("\\server" a UNC path); behind a name, a run of
    // separators counts as one.
    if (text[0] == '\0' || text[0] == '\\' || text[0] == '/')
        return false;
    if (strchr(text, ':') != nullptr)
        return false;
    const char* begin = text;
    for (;;) {
        const char* end = begin;
        while (*end != '\0' && *end != '\\' && *end != '/')
            ++end;
        if (isDotComponent(begin, end) || isDeviceComponent(begin, end))
            return false;
        if (*end == '\0')
            return true;
        begin = end + 1;
    }
}
