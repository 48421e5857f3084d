#include "common/hex_digest.h"

namespace {

int nibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool readDigits(const char* text, unsigned char digest[digestSize])
{
    for (int i = 0; i < digestTextLength; ++i) {
        const int value = nibble(text[i]);   // the terminator is no digit: reading stops there
        if (value < 0)
            return false;
        digest[i / 2] = static_cast<unsigned char>(digest[i / 2] << 4 | value);
    }
    return text[digestTextLength] == '\0';
}

} // namespace

bool parseHexDigest(const char* text, unsigned char digest[digestSize])
{
    unsigned char read[digestSize] = {};
    const bool valid = readDigits(text, read);
    for (int i = 0; i < digestSize; ++i)
        digest[i] = valid ? read[i] : 0;
    return valid;
}

void formatHexDigest(const unsigned char digest[digestSize], char text[digestTextLength + 1])
{
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < digestSize; ++i) {
        text[2 * i] = digits[digest[i] >> 4];
        text[2 * i + 1] = digits[digest[i] & 0x0F];
    }
    text[digestTextLength] = '\0';
}
