#include "startup/language_offset.h"

int languageOffsetFor(unsigned short languageId)
{
    const unsigned primary = languageId & 0x3FFu;
    if (primary == 0x07)
        return 1000;
    if (primary == 0x0C)
        return 2000;
    return 0;
}
