#include "engine/list_file_line.h"

#include "win32/file_reader.h"

int readListLineAt(HANDLE list, DWORD offset, char line[listLineSize])
{
    line[0] = '\0';
    char bytes[listLineSize];
    DWORD read = 0;
    if (!readAt(list, offset, bytes, sizeof bytes, &read))
        return -1;
    return readListLine(bytes, static_cast<int>(read), line);
}
