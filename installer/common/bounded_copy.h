#pragma once
#include <stddef.h>

// The one way text goes into a fixed buffer: at most capacity - 1 characters
// are copied and the result is always terminated. Both return true when the
// whole source fitted, so callers that must not act on a cut text can refuse it.
bool copyBounded(char* destination, size_t capacity, const char* source);
bool appendBounded(char* destination, size_t capacity, const char* source);

// Copies at most count characters of source (fewer when it ends earlier).
bool copyBoundedPrefix(char* destination, size_t capacity, const char* source, size_t count);
