#include "journal.h"
#include "sample_names.h"

#include "common/bounded_copy.h"

#include <string.h>

bool moduleFolder(HMODULE module, char* folder, size_t capacity)
{
    char path[samplePathCapacity];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    char* lastSlash = strrchr(path, '\\');
    if (lastSlash == nullptr)
        return false;
    *lastSlash = '\0';
    return copyBounded(folder, capacity, path);
}

namespace {

bool journalPath(HMODULE module, char* path, size_t capacity)
{
    return moduleFolder(module, path, capacity) && appendBounded(path, capacity, "\\")
        && appendBounded(path, capacity, SAMPLE_JOURNAL_NAME);
}

// The server and the application may write at the same moment; a sharing
// conflict is waited out briefly instead of losing the line.
HANDLE openForAppend(const char* path)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return INVALID_HANDLE_VALUE;
        Sleep(10);
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

void journalLine(HMODULE module, const char* const* words, int count)
{
    char path[samplePathCapacity];
    if (!journalPath(module, path, sizeof path))
        return;

    // Room for the line end is kept back, so a cut line still ends in CR LF.
    char line[1024];
    line[0] = '\0';
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            appendBounded(line, sizeof line - 2, " ");
        appendBounded(line, sizeof line - 2, words[i] != nullptr ? words[i] : "");
    }
    // An argument with a line break of its own must not start a second line.
    for (char* c = line; *c != '\0'; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20)
            *c = '?';
    }
    appendBounded(line, sizeof line, "\r\n");

    HANDLE file = openForAppend(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    CloseHandle(file);
}
