#include "engine/list_record.h"

#include <stddef.h>

#include "common/decimal.h"

namespace {

bool isSeparator(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Returns the next field starting at *cursor and terminates it, or null when
// only separators are left; *cursor moves behind the field's terminator.
char* nextField(char** cursor)
{
    char* p = *cursor;
    while (*p != '\0' && isSeparator(*p))
        ++p;
    if (*p == '\0') {
        *cursor = p;
        return nullptr;
    }
    char* field = p;
    while (*p != '\0' && !isSeparator(*p))
        ++p;
    if (*p != '\0')
        *p++ = '\0';
    *cursor = p;
    return field;
}

}  // namespace

void splitListLine(char* line, ListRecord* record)
{
    record->type = '\0';
    record->fieldCount = 0;
    for (int i = 0; i < listRecordMaxFields; ++i)
        record->fields[i] = nullptr;

    char* cursor = line;
    char* first = nextField(&cursor);
    if (first == nullptr)
        return;
    record->type = first[0];
    while (record->fieldCount < listRecordMaxFields) {
        char* field = nextField(&cursor);
        if (field == nullptr)
            break;
        record->fields[record->fieldCount++] = field;
    }
}

int32_t parseListNumber(const char* text)
{
    return parseDecimal(text);
}
