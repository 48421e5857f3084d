#pragma once
#include <stddef.h>
#include <stdint.h>

// Decimal numbers as the component list and the proxy settings write them:
// leading blanks skipped, an optional sign, digits up to the first other
// character; no digits give 0. Arithmetic wraps at 32 bits instead of
// overflowing, so hostile input has a defined (if meaningless) value.
int32_t parseDecimal(const char* text);

// A number that must be exact, such as a list's serial: one or more digits
// and nothing else, at most 4294967295. False for any other text.
bool parseUnsignedDecimal(const char* text, uint32_t* value);

// Wrapping "value * 10 + digit" for counters fed one digit at a time.
int32_t appendDigit(int32_t value, char digit);

// Writes value in decimal digits with a terminator into out, cut to the
// capacity like copyBounded (12 characters hold every 32-bit value); returns
// whether all of it fitted.
bool formatUnsignedDecimal(uint32_t value, char* out, size_t capacity);
