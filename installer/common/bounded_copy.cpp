#include "common/bounded_copy.h"

bool copyBoundedPrefix(char* destination, size_t capacity, const char* source, size_t count)
{
    if (capacity == 0)
        return false;
    size_t i = 0;
    while (i < count && source[i] != '\0' && i + 1 < capacity) {
        destination[i] = source[i];
        ++i;
    }
    destination[i] = '\0';
    return i == count || source[i] == '\0';
}

bool copyBounded(char* destination, size_t capacity, const char* source)
{
    return copyBoundedPrefix(destination, capacity, source, static_cast<size_t>(-1));
}

bool appendBounded(char* destination, size_t capacity, const char* source)
{
    size_t used = 0;
    while (used < capacity && destination[used] != '\0')
        ++used;
    if (used >= capacity)
        return false;
    return copyBounded(destination + used, capacity - used, source);
}
