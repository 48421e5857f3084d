#include "common/bounded_format.h"

#include <stdarg.h>
#include <stdio.h>

bool formatBounded(char* destination, size_t capacity, const char* format, ...)
{
    if (capacity == 0)
        return false;
    va_list arguments;
    va_start(arguments, format);
    // The system library's own formatter on Windows: the C99 one of the
    // compiler's runtime would add its whole printf to the program. It
    // returns -1 for a cut text and leaves it unterminated; the C99 one
    // returns the length the whole text needs.
#ifdef _WIN32
    const int written = _vsnprintf(destination, capacity, format, arguments);
#else
    const int written = vsnprintf(destination, capacity, format, arguments);
#endif
    va_end(arguments);
    destination[capacity - 1] = '\0';
    return written >= 0 && static_cast<size_t>(written) < capacity;
}
