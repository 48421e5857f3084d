#pragma once

// A SHA-256 digest: its bytes, and its text as the component list writes it.
const int digestSize = 32;
const int digestTextLength = 2 * digestSize;

// Reads exactly 64 hexadecimal digits (either case) and nothing more into
// digest; false for any other text, and digest is then all zero.
bool parseHexDigest(const char* text, unsigned char digest[digestSize]);

// Writes digest as 64 lower-case hexadecimal digits and a terminator.
void formatHexDigest(const unsigned char digest[digestSize], char text[digestTextLength + 1]);
