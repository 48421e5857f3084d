#include "engine/list_file_line.h"

#include "win32/file_reader.h"

int readListLineAt(HANDLE list, DWORD offset, DWORD end, char line[listLineSize])
{
    line[0] = '\0';
    if (offset >= end)
        return 0;
    char bytes[listLineSize];
    const DWORD wanted = end - offset < sizeof bytes ? end - offset : sizeof bytes;
    DWORD read = 0;
    if (!readAt(list, offset, bytes, wanted, &read))
        return -1;
    return readListLine(bytes, static_cast<int>(read), line);
}
