#include "common/base64.h"

namespace {

// The six bits a character stands for, or -1.
int sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

int decodeBase64(const char* text, size_t length, unsigned char* out, size_t capacity)
{
    if (length % 4 != 0 || length / 4 * 3 > capacity + 2)
        return -1;
    size_t written = 0;
    for (size_t group = 0; group < length; group += 4) {
        const bool last = group + 4 == length;
        int padding = 0;
        if (last) {
            if (text[group + 3] == '=')
                padding = text[group + 2] == '=' ? 2 : 1;
        }
        unsigned long bits = 0;
        for (int i = 0; i < 4 - padding; ++i) {
            const int value = sextet(text[group + i]);
            if (value < 0)
                return -1;
            bits = bits << 6 | static_cast<unsigned long>(value);
        }
        bits <<= 6 * padding;
        // The bits that padding leaves unused must be zero.
        if ((padding == 1 && (bits & 0xFF) != 0) || (padding == 2 && (bits & 0xFFFF) != 0))
            return -1;
        const int bytes = 3 - padding;
        if (written + static_cast<size_t>(bytes) > capacity)
            return -1;
        for (int i = 0; i < bytes; ++i)
            out[written++] = static_cast<unsigned char>(bits >> (16 - 8 * i));
    }
    return static_cast<int>(written);
}
