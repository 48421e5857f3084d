#include "common/decimal.h"

#include "common/bounded_copy.h"

int32_t appendDigit(int32_t value, char digit)
{
    uint32_t v = static_cast<uint32_t>(value) * 10u + static_cast<uint32_t>(digit - '0');
    return static_cast<int32_t>(v);
}

int32_t parseDecimal(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + static_cast<uint32_t>(*text - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

bool parseUnsignedDecimal(const char* text, uint32_t* value)
{
    uint32_t result = 0;
    const char* digit = text;
    for (; *digit >= '0' && *digit <= '9'; ++digit) {
        const uint32_t next = static_cast<uint32_t>(*digit - '0');
        if (result > (0xFFFFFFFFu - next) / 10u)
            return false;
        result = result * 10u + next;
    }
    if (digit == text || *digit != '\0')
        return false;
    *value = result;
    return true;
}

bool formatUnsignedDecimal(uint32_t value, char* out, size_t capacity)
{
    char digits[11];
    int at = sizeof digits - 1;
    digits[at] = '\0';
    do {
        digits[--at] = static_cast<char>('0' + value % 10u);
        value /= 10u;
    } while (value != 0);
    return copyBounded(out, capacity, digits + at);
}
