#pragma once
#include <stddef.h>

// The one way formatted text goes into a fixed buffer, beside copyBounded:
// at most capacity - 1 characters are written and the result is always
// terminated. Returns true when the whole text fitted, so callers that must
// not act on a cut text can refuse it.
bool formatBounded(char* destination, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
