#include "wizard/format_size.h"

#include "common/bounded_copy.h"
#include "common/decimal.h"

#include <string.h>

namespace {

char slots[formatSizeSlots][formatSizeSlotSize];

void appendUnsigned(char* text, uint32_t value, int minimumDigits)
{
    char digits[12];
    formatUnsignedDecimal(value, digits, sizeof digits);
    for (int missing = minimumDigits - static_cast<int>(strlen(digits)); missing > 0; --missing)
        appendBounded(text, formatSizeSlotSize, "0");
    appendBounded(text, formatSizeSlotSize, digits);
}

// count / unit with two decimals, rounded half up. Splitting off the whole
// units keeps every product inside 32 bits (the remainder times 100 stays
// below 2^27).
void appendScaled(char* text, uint32_t count, uint32_t unit, const char* suffix)
{
    uint32_t hundredths = (count / unit) * 100u + ((count % unit) * 100u + unit / 2u) / unit;
    appendUnsigned(text, hundredths / 100u, 1);
    appendBounded(text, formatSizeSlotSize, ".");
    appendUnsigned(text, hundredths % 100u, 2);
    appendBounded(text, formatSizeSlotSize, suffix);
}

}  // namespace

const char* formatSize(int slot, int32_t count)
{
    if (slot < 0 || slot >= formatSizeSlots)
        slot = 0;
    char* text = slots[slot];
    text[0] = '\0';
    uint32_t value = static_cast<uint32_t>(count);
    if (count < 1024) {
        appendUnsigned(text, value, 1);
        appendBounded(text, formatSizeSlotSize, " bytes");
    } else if (count < 1048576) {
        appendScaled(text, value, 1024u, " KB");
    } else {
        appendScaled(text, value, 1048576u, " MB");
    }
    return text;
}
