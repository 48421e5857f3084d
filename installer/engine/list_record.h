#pragma once
#include <stdint.h>

// Most fields a record has behind its type (the L record needs five).
const int listRecordMaxFields = 8;

// One line of the component list, split in place.
struct ListRecord {
    char type;                        // first character of the first field; '\0' for a line without fields
    int fieldCount;                   // fields behind the type field, at most listRecordMaxFields
    char* fields[listRecordMaxFields];  // into the split line; entries past fieldCount are null
};

// Splits line in place as strtok with the separators ",", CR and LF would:
// separators at the start are skipped and a run of them counts as one, so no
// field is ever empty; fields are not trimmed. The first field only gives the
// type (its first character, so "Hx" is an H record). Fields past the eighth
// are ignored.
void splitListLine(char* line, ListRecord* record);

// Sizes, the total and the icon index: decimal, wrapping at 32 bits.
int32_t parseListNumber(const char* text);
