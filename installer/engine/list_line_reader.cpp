#include "engine/list_line_reader.h"

#include "common/bounded_copy.h"

int readListLine(const char* data, int length, char line[listLineSize])
{
    line[0] = '\0';
    if (length <= 0)
        return 0;
    int count = 0;
    while (count < length && count < listLineSize - 1) {
        if (data[count++] == '\n')
            break;
    }
    // copyBoundedPrefix stops at a NUL byte, which ends the text as it would in
    // the buffer fgets fills; the consumed count still covers the whole line.
    copyBoundedPrefix(line, listLineSize, data, static_cast<size_t>(count));
    return count;
}
