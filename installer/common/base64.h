#pragma once
#include <stddef.h>

// Standard base64 (RFC 4648, "+" and "/", "=" padding), decoded strictly: the
// length is a multiple of four, padding only at the very end, no other
// characters (no blanks, no line breaks), and unused bits of the last group
// zero, so that every byte string has exactly one accepted spelling.
// Returns the number of bytes written to out, or -1 for text that is not
// such base64 or does not fit in capacity.
int decodeBase64(const char* text, size_t length, unsigned char* out, size_t capacity);
