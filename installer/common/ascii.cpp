#include "common/ascii.h"

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (asciiLower(*a) != asciiLower(*b))
            return false;
    }
    return *a == *b;
}

bool startsWithIgnoreCase(const char* text, const char* prefix, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == '\0' || asciiLower(text[i]) != asciiLower(prefix[i]))
            return false;
    }
    return true;
}
