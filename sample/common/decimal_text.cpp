#include "decimal_text.h"

void formatDecimal(int32_t value, char (&text)[decimalTextCapacity])
{
    // Works on the magnitude as unsigned, so the most negative value needs no special case.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char reversed[decimalTextCapacity];
    int digits = 0;
    do {
        reversed[digits++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int at = 0;
    if (value < 0)
        text[at++] = '-';
    while (digits > 0)
        text[at++] = reversed[--digits];
    text[at] = '\0';
}
