#pragma once
#include <stddef.h>

// Locale-independent ASCII helpers for option names, header names and prefixes.
char asciiLower(char c);
bool equalsIgnoreCase(const char* a, const char* b);
// True when the first count characters of text equal prefix (ASCII case ignored);
// a text shorter than count never matches.
bool startsWithIgnoreCase(const char* text, const char* prefix, size_t count);
