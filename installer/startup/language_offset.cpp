#include "startup/language_offset.h"

namespace {

struct LanguageRow {
    unsigned primary;
    int offset;
};

const LanguageRow languageRows[] = {
#define LANGUAGE_ROW_READER "language_row.inc"
#include "res/languages.def"
};

} // namespace

int languageOffsetFor(unsigned short languageId)
{
    const unsigned primary = languageId & 0x3FFu;
    for (const LanguageRow& row : languageRows) {
        if (row.primary == primary)
            return row.offset;
    }
    return languageRows[0].offset;
}
